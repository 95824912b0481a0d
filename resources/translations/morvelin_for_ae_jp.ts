<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>MorvelinVideo</name>
    <message>
        <source>General</source>
        <translation>一般</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>ディテール</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>シャープネス</translation>
    </message>
    <message>
        <source>Smudging</source>
        <translation>ぼかし</translation>
    </message>
    <message>
        <source>Lightness</source>
        <translation>明るさ</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>コントラスト</translation>
    </message>
    <message>
        <source>3D Colors</source>
        <translation>3D カラー</translation>
    </message>
    <message>
        <source>Shading</source>
        <translation>シェーディング</translation>
    </message>
    <message>
        <source>Shadows</source>
        <translation>シャドウ</translation>
    </message>
    <message>
        <source>Midtones</source>
        <translation>中間調</translation>
    </message>
    <message>
        <source>Highlights</source>
        <translation>ハイライト</translation>
    </message>
    <message>
        <source>Noise Group</source>
        <translation>ノイズ</translation>
    </message>
    <message>
        <source>Noise</source>
        <translation>ノイズ量</translation>
    </message>
    <message>
        <source>Noise Smooth</source>
        <translation>ノイズの滑らかさ</translation>
    </message>
    <message>
        <source>Noise Angle</source>
        <translation>ノイズの角度</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>カラー</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>モード</translation>
    </message>
    <message>
        <source>Color-Dark</source>
        <translation>暗い色</translation>
    </message>
    <message>
        <source>Color-MidDark</source>
        <translation>やや暗い色</translation>
    </message>
    <message>
        <source>Color-Mid</source>
        <translation>中間の色</translation>
    </message>
    <message>
        <source>Color-MidLight</source>
        <translation>やや明るい色</translation>
    </message>
    <message>
        <source>Color-Light</source>
        <translation>明るい色</translation>
    </message>
    <message>
        <source>Autofill</source>
        <translation>自動設定</translation>
    </message>
    <message>
        <source>Random</source>
        <translation>ランダム</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>リセット</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>プリセット</translation>
    </message>
    <message>
        <source>Two Colors</source>
        <translation>2 色</translation>
    </message>
    <message>
        <source>Original Colors</source>
        <translation>元の色</translation>
    </message>
    <message>
        <source>Five Colors</source>
        <translation>5 色</translation>
    </message>
</context>
<context>
    <name>Preset</name>
    <message>
        <source>Custom</source>
        <translation>カスタム</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>デフォルト</translation>
    </message>
</context>
</TS>
