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
<context>
    <name>CBarUI</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Fix</source>
        <translation>固定</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
</context>
<context>
    <name>CtDisp</name>
    <message>
        <source>CT display</source>
        <translation>CT表示</translation>
    </message>
</context>
<context>
    <name>DispAWLayout</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
</context>
<context>
    <name>ImgDispWCBar</name>
    <message>
        <source>Image Display with Color Bar</source>
        <translation>カラーバー付き画像表示</translation>
    </message>
</context>
<context>
    <name>ImgDispWPV</name>
    <message>
        <source>Image Display with Position and Value</source>
        <translation>位置と値付き画像表示</translation>
    </message>
    <message>
        <source>Scale Reset</source>
        <translation>スケール初期化</translation>
    </message>
    <message>
        <source>Val:</source>
        <translation>値:</translation>
    </message>
</context>
<context>
    <name>PopDockBase</name>
    <message>
        <source>Pop/Dock</source>
        <translation>分離/格納</translation>
    </message>
</context>
</TS>
