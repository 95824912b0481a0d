<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>VideoAbout0</name>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
</context>
<context>
    <name>AboutDlg</name>
    <message>
        <source>version</source>
        <translation>version</translation>
    </message>
</context>
</TS>
