<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>VideoAbout0</name>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
</context>
<context>
    <name>AboutDlg</name>
    <message>
        <source>version</source>
        <translation>バージョン</translation>
    </message>
</context>
</TS>
