<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>Général</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Détail</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Estompage</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>Couleurs 3D</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Ombrage</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Ombres</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Tons moyens</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Hautes lumières</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Bruit</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Quantité de bruit</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Lissage du bruit</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Angle du bruit</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Couleurs</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Couleur sombre</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Couleur mi-sombre</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Couleur moyenne</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Couleur mi-claire</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Couleur claire</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Remplissage auto</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Aléatoire</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Réinitialiser</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Préréglage</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Deux couleurs</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Couleurs d'origine</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Cinq couleurs</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Personnalisé</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
</context>
</TS>
