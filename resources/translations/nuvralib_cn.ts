<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>VideoAbout0</name>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
</context>
<context>
    <name>AboutDlg</name>
    <message>
        <source>version</source>
        <translation>版本</translation>
    </message>
</context>
</TS>
