<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>Generale</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Dettaglio</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Nitidezza</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Sfumatura</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Luminosità</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contrasto</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>Colori 3D</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Ombreggiatura</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Ombre</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Mezzitoni</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Luci</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Rumore</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Quantità di rumore</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Smussatura del rumore</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Angolo del rumore</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Colori</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modalità</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Colore scuro</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Colore semiscuro</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Colore medio</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Colore semichiaro</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Colore chiaro</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Riempimento automatico</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Casuale</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Ripristina</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Preimpostazione</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Due colori</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Colori originali</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Cinque colori</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Personalizzato</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predefinito</translation>
    </message>
</context>
</TS>
