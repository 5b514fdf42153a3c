<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Body</name>
    <message>
        <source>Raw Image</source>
        <translation>生画像</translation>
    </message>
    <message>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <source>CT Reconstructed Image</source>
        <translation>CT再構成像</translation>
    </message>
    <message>
        <source>I0 Image</source>
        <translation>I0画像</translation>
    </message>
    <message>
        <source>BG Image</source>
        <translation>BG画像</translation>
    </message>
    <message>
        <source>CT Images</source>
        <translation>CT画像一覧</translation>
    </message>
    <message>
        <source>3D View</source>
        <translation>3D表示</translation>
    </message>
</context>
</TS>
