<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>Geral</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detalhe</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Esfumado</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Luminosidade</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>Cores 3D</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Sombreamento</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Sombras</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Meios-tons</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Realces</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Ruído</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Quantidade de ruído</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Suavização do ruído</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Ângulo do ruído</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Cores</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modo</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Cor escura</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Cor meio-escura</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Cor média</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Cor meio-clara</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Cor clara</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Preenchimento automático</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Aleatório</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Redefinir</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Predefinição</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Duas cores</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Cores originais</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Cinco cores</translation>
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
        <translation>Padrão</translation>
    </message>
</context>
</TS>
