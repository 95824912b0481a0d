<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Smudging</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Lightness</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>3D Colors</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Shading</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Shadows</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Midtones</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Highlights</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Noise Group</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Noise</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Noise Smooth</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Noise Angle</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Colors</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Color-Dark</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Color-MidDark</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Color-Mid</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Color-MidLight</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Color-Light</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Autofill</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Random</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Preset</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Two Colors</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Original Colors</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Five Colors</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Default</translation>
    </message>
</context>
</TS>
