<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Verwischen</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>3D-Farben</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Schattierung</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Tiefen</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Mitteltöne</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Lichter</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Rauschen</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Rauschstärke</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Rauschglättung</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Rauschwinkel</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Farben</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Farbe dunkel</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Farbe halbdunkel</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Farbe mittel</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Farbe halbhell</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Farbe hell</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Automatisch füllen</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Zufall</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Vorgabe</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Zwei Farben</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Originalfarben</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Fünf Farben</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Benutzerdefiniert</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
</context>
</TS>
