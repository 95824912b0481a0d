<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detalle</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Difuminado</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Luminosidad</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>Colores 3D</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Sombreado</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Sombras</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Medios tonos</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Luces</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Ruido</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Cantidad de ruido</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Suavizado del ruido</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Ángulo del ruido</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Colores</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modo</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Color oscuro</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Color semioscuro</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Color medio</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Color semiclaro</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Color claro</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Relleno automático</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Aleatorio</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Restablecer</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Ajuste preestablecido</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Dos colores</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Colores originales</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Cinco colores</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Personalizado</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predeterminado</translation>
    </message>
</context>
</TS>
