<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>Общие</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Детализация</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Резкость</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>Растушёвка</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>Светлота</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Контраст</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>Объёмные цвета</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>Затенение</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>Тени</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>Полутона</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>Света</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>Шум</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>Уровень шума</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>Сглаживание шума</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>Угол шума</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Цвета</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Режим</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>Тёмный цвет</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>Полутёмный цвет</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>Средний цвет</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>Полусветлый цвет</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>Светлый цвет</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>Автозаполнение</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>Случайно</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Предустановка</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>Два цвета</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>Исходные цвета</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>Пять цветов</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>Пользовательский</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>По умолчанию</translation>
    </message>
</context>
</TS>
