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
    <message>
        <source>Image Files</source>
        <translation>画像ファイル</translation>
    </message>
    <message>
        <source>I0</source>
        <translation>I0</translation>
    </message>
    <message>
        <source>BG</source>
        <translation>BG</translation>
    </message>
    <message>
        <source>CT-XAFS</source>
        <translation>CT-XAFS</translation>
    </message>
    <message>
        <source>Show Additionl Info for CT XAFS</source>
        <translation>CT XAFS の追加情報を表示</translation>
    </message>
    <message>
        <source>Send Msg.</source>
        <translation>送信</translation>
    </message>
    <message>
        <source>Exec 2DA</source>
        <translation>2DA 実行</translation>
    </message>
    <message>
        <source>Cont. 2DA</source>
        <translation>2DA 連続</translation>
    </message>
    <message>
        <source>Link Zandor</source>
        <translation>Zandor 接続</translation>
    </message>
    <message>
        <source>w 2DA</source>
        <translation>2DA 併用</translation>
    </message>
    <message>
        <source>Seq. Calc.</source>
        <translation>連続計算</translation>
    </message>
    <message>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Keep on New Sets</source>
        <translation>新しいセットでも保持</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>合計</translation>
    </message>
    <message>
        <source>Delta</source>
        <translation>差分</translation>
    </message>
    <message>
        <source>Sequential Exec</source>
        <translation>連続実行</translation>
    </message>
    <message>
        <source>[s]</source>
        <translation>[秒]</translation>
    </message>
    <message>
        <source>Progress Msg.</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>I0 of Raw Image</source>
        <translation>生画像の I0</translation>
    </message>
    <message>
        <source>I0 of I0 Image</source>
        <translation>I0 画像の I0</translation>
    </message>
    <message>
        <source>More</source>
        <translation>詳細</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Auto Save Data</source>
        <translation>データ自動保存</translation>
    </message>
    <message>
        <source>Auto Save Img</source>
        <translation>画像自動保存</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;When this option is selected but neither &apos;of Energy&apos; nor &apos;of Slice&apos; is selected, it works as if &apos;of Slice&apos; is selected.W&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;これを選び「エネルギー別」も「スライス別」も選ばないときは、「スライス別」を選んだものとして働きます。&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Save in Sub Folders</source>
        <translation>サブフォルダに保存</translation>
    </message>
    <message>
        <source>of Energy</source>
        <translation>エネルギー別</translation>
    </message>
    <message>
        <source>of Slice</source>
        <translation>スライス別</translation>
    </message>
    <message>
        <source>Upper Limit</source>
        <translation>上限</translation>
    </message>
    <message>
        <source>Lower Limit</source>
        <translation>下限</translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>オフセット</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>データ</translation>
    </message>
    <message>
        <source>Color Scale</source>
        <translation>カラースケール</translation>
    </message>
    <message>
        <source>Fix Color Scale</source>
        <translation>カラースケール固定</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Calculation</source>
        <translation>計算</translation>
    </message>
    <message>
        <source>CT1</source>
        <translation>CT1</translation>
    </message>
    <message>
        <source>CT2</source>
        <translation>CT2</translation>
    </message>
    <message>
        <source>Show Res.</source>
        <translation>結果表示</translation>
    </message>
    <message>
        <source>Calc</source>
        <translation>計算</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Spent</source>
        <translation>所要</translation>
    </message>
    <message>
        <source>Save Setup</source>
        <translation>設定保存</translation>
    </message>
    <message>
        <source>Load Setup</source>
        <translation>設定読込</translation>
    </message>
    <message>
        <source>Cirvo Images</source>
        <translation>Cirvo 画像</translation>
    </message>
    <message>
        <source>Sel. I0 File Set</source>
        <translation>I0 ファイル組選択</translation>
    </message>
    <message>
        <source>Measured Raw Image</source>
        <translation>測定生画像</translation>
    </message>
    <message>
        <source>Check Sinogram</source>
        <translation>サイノグラム確認</translation>
    </message>
    <message>
        <source>CT Reconstruction</source>
        <translation>CT 再構成</translation>
    </message>
    <message>
        <source>CT images</source>
        <translation>CT 画像一覧</translation>
    </message>
    <message>
        <source>Reconstructed Body View</source>
        <translation>再構成立体表示</translation>
    </message>
    <message>
        <source>CT Calc2 %1</source>
        <translation>CT 計算2 %1</translation>
    </message>
    <message>
        <source>CT2 %1</source>
        <translation>CT2 %1</translation>
    </message>
    <message>
        <source>Float Data</source>
        <translation>浮動小数点データ</translation>
    </message>
    <message>
        <source>A 32-bit float TIFF of each slice, in the data folder: the values as computed</source>
        <translation>スライス毎の32ビット浮動小数点TIFF（データフォルダ内）：計算値そのまま</translation>
    </message>
    <message>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>One multi-page float TIFF of all slices of a calculation (a data set), in the data folder</source>
        <translation>一回の計算（データセット）の全スライスを1つのマルチページ浮動小数点TIFFに（データフォルダ内）</translation>
    </message>
    <message>
        <source>TIFF Stack</source>
        <translation>TIFFスタック</translation>
    </message>
    <message>
        <source>One HDF5 file of all slices of a calculation (a data set) with slice numbers, CoR, angles and energy</source>
        <translation>一回の計算（データセット）の全スライスを1つのHDF5ファイルに：スライス番号、回転中心、角度、エネルギー付き</translation>
    </message>
    <message>
        <source>HDF5</source>
        <translation>HDF5</translation>
    </message>
    <message>
        <source>%1 image(s) of the data set could not be loaded</source>
        <translation>データセットの画像 %1 枚を読み込めませんでした</translation>
    </message>
    <message>
        <source>no images are loaded</source>
        <translation>画像が読み込まれていません</translation>
    </message>
    <message>
        <source>Loading first Data Set</source>
        <translation>最初のデータセットを読込中</translation>
    </message>
    <message>
        <source>Loading next Data Set</source>
        <translation>次のデータセットを読込中</translation>
    </message>
    <message>
        <source>the data set has no energy to choose its I0 file by</source>
        <translation>データセットに I0 ファイルを選ぶためのエネルギーがありません</translation>
    </message>
    <message>
        <source>no I0 file has an energy in its name</source>
        <translation>名前にエネルギーを含む I0 ファイルがありません</translation>
    </message>
    <message>
        <source>the I0 file %1 could not be loaded</source>
        <translation>I0 ファイル %1 を読み込めませんでした</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>スキップ: %1</translation>
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
    <name>CtCalc</name>
    <message>
        <source>CT Calc</source>
        <translation>CT計算</translation>
    </message>
    <message>
        <source>Disp R.</source>
        <translation>表示領域</translation>
    </message>
    <message>
        <source>Set To C. Region</source>
        <translation>計算領域に設定</translation>
    </message>
    <message>
        <source>Cacl R.</source>
        <translation>計算領域</translation>
    </message>
    <message>
        <source>Calc</source>
        <translation>計算</translation>
    </message>
    <message>
        <source>At Once</source>
        <translation>一括</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Spent [sec]</source>
        <translation>所要時間 [秒]</translation>
    </message>
    <message>
        <source>Slice No.</source>
        <translation>スライス番号</translation>
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
    <name>CtView</name>
    <message>
        <source>ctView</source>
        <translation>立体表示</translation>
    </message>
    <message>
        <source>Link C. Section</source>
        <translation>断面を連動</translation>
    </message>
    <message>
        <source>Img Size in Pix</source>
        <translation>画像サイズ (ピクセル)</translation>
    </message>
    <message>
        <source>Add Slice Set</source>
        <translation>スライス組を追加</translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>画像を保存</translation>
    </message>
    <message>
        <source>Any (* *.*)</source>
        <translation>すべて (* *.*)</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;The size of screen. Firstly, they should be so small as 256 to work quickly. When the settings, like obserbing direction, position of closs-section, and color range, are decided, it should be set larger as 1024 or so to get high resolution results.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;画面のサイズ。最初は256程度に小さくして素早く操作し、観察方向、断面の位置、色の範囲などが決まったら1024程度に大きくして高解像度の結果を得る。&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Supported File Types are : %1
 and also SVG.</source>
        <translation>対応するファイル形式 : %1
 および SVG。</translation>
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
    <name>I0ofImage</name>
    <message>
        <source>I0 of Image</source>
        <translation>画像のI0</translation>
    </message>
    <message>
        <source>Calc from XAFS file</source>
        <translation>XAFSファイルから計算</translation>
    </message>
    <message>
        <source>Eng. Ptn in Img F. Name :</source>
        <translation>画像ファイル名のエネルギー位置 :</translation>
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
<context>
    <name>ProcCtrl</name>
    <message>
        <source>Proc Control</source>
        <translation>処理制御</translation>
    </message>
    <message>
        <source>CT Proc. Ctrl : </source>
        <translation>CT処理制御 : </translation>
    </message>
    <message>
        <source>Threads</source>
        <translation>スレッド</translation>
    </message>
    <message>
        <source>Rotation : </source>
        <translation>回転 : </translation>
    </message>
    <message>
        <source>  Ax</source>
        <translation>  軸</translation>
    </message>
    <message>
        <source>Slice : </source>
        <translation>スライス : </translation>
    </message>
    <message>
        <source>Auto Exec</source>
        <translation>自動実行</translation>
    </message>
    <message>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>間隔</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>回転中心</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>現在</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記録</translation>
    </message>
    <message>
        <source>Record. COR</source>
        <translation>記録した中心</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>消去</translation>
    </message>
    <message>
        <source>Data Set :  </source>
        <translation>データセット :  </translation>
    </message>
    <message>
        <source>Range</source>
        <translation>範囲</translation>
    </message>
    <message>
        <source>Angle Orig : </source>
        <translation>角度原点 : </translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>部分</translation>
    </message>
    <message>
        <source>Start [#]</source>
        <translation>開始 [#]</translation>
    </message>
    <message>
        <source>Using Images[#]</source>
        <translation>使用枚数[#]</translation>
    </message>
    <message>
        <source>Imgs</source>
        <translation>枚</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 (スライス %2)</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>フィルタ</translation>
    </message>
    <message>
        <source>Ramp is exact for clean data; Shepp-Logan, cosine, Hamming and Hann trade sharpness for less noise, in that order</source>
        <translation>Rampはノイズのないデータに正確。Shepp-Logan、cosine、Hamming、Hannの順に鮮鋭さと引き換えにノイズを抑える</translation>
    </message>
    <message>
        <source>Zero-pads each projection to a power of two at least twice its width before filtering: removes the offset and cupping of the unpadded filter</source>
        <translation>フィルタ前に各投影を幅の2倍以上の2のべき乗までゼロ詰め：パディングなしのオフセットとカッピングを除く</translation>
    </message>
    <message>
        <source>Pad</source>
        <translation>パディング</translation>
    </message>
    <message>
        <source>Rings</source>
        <translation>リング除去</translation>
    </message>
    <message>
        <source>Removes stripes of miscalibrated or dead detector columns from each sinogram, which show as rings in the slice</source>
        <translation>検出器の感度ずれ・欠陥列によるサイノグラムの縞（断面のリング）を除く</translation>
    </message>
    <message>
        <source>Strength of the ring removal; empty: the method&apos;s default</source>
        <translation>リング除去の強さ。空欄：方法の既定値</translation>
    </message>
    <message>
        <source>Reconstructs on the CT2 workers in single precision: about 1.6 times as fast in the back-projection, within about 1e-6 of the slice&apos;s value range of the exact double sums</source>
        <translation>CT2 のワーカーを単精度で再構成する：逆投影が約 1.6 倍速く、倍精度の厳密な和との差は断面の値の範囲の約 1e-6</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>単精度</translation>
    </message>
</context>
<context>
    <name>SelectAFile</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>消去</translation>
    </message>
    <message>
        <source>Any file (* *.*)</source>
        <translation>すべてのファイル (* *.*)</translation>
    </message>
    <message>
        <source>Img file (*.img *.his)</source>
        <translation>画像ファイル (*.img *.his)</translation>
    </message>
    <message>
        <source>Tiff file (*.tif *.tiff)</source>
        <translation>TIFFファイル (*.tif *.tiff)</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Tag</source>
        <translation>タグ</translation>
    </message>
</context>
<context>
    <name>SelectAImgFile</name>
    <message>
        <source>Exp Time</source>
        <translation>露光時間</translation>
    </message>
    <message>
        <source>[s]</source>
        <translation>[秒]</translation>
    </message>
</context>
<context>
    <name>SelectDataDir</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Brel Std.</source>
        <translation>Brel標準</translation>
    </message>
    <message>
        <source>Eng. Dirs</source>
        <translation>エネルギー別Dir</translation>
    </message>
    <message>
        <source>Zeph</source>
        <translation>Zeph</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>パターン</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>セット</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>次へ</translation>
    </message>
    <message>
        <source>Sel. Meta File</source>
        <translation>メタファイル選択</translation>
    </message>
    <message>
        <source>Sel. Data Dir.</source>
        <translation>データDir選択</translation>
    </message>
    <message>
        <source>Meta File (* *.*)</source>
        <translation>メタファイル (* *.*)</translation>
    </message>
</context>
<context>
    <name>SelectDataFiles</name>
    <message>
        <source>SelectDataFiles</source>
        <translation>データファイル選択</translation>
    </message>
    <message>
        <source>Data Select</source>
        <translation>データ選択</translation>
    </message>
    <message>
        <source>New</source>
        <translation>新規</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>keep Conds.</source>
        <translation>条件保持</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;When Checked : The first file in the list will be read multitimes ( ex. 180 times )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;チェック時 : リストの最初のファイルを複数回読み込みます ( 例 180 回 )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Multi.</source>
        <translation>複数回</translation>
    </message>
    <message>
        <source>Exp. Time[s]</source>
        <translation>露光時間[s]</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>消去</translation>
    </message>
    <message>
        <source>Itex File (*.img *.his)</source>
        <translation>Itexファイル (*.img *.his)</translation>
    </message>
    <message>
        <source>Tiff File (*.tif *.tiff)</source>
        <translation>Tiffファイル (*.tif *.tiff)</translation>
    </message>
    <message>
        <source>Any Files (* *.*)</source>
        <translation>すべてのファイル (* *.*)</translation>
    </message>
</context>
<context>
    <name>SelectDir</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Sel. Dir</source>
        <translation>ディレクトリ選択</translation>
    </message>
</context>
<context>
    <name>Sinogram</name>
    <message>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <source>CoR</source>
        <translation>回転中心</translation>
    </message>
    <message>
        <source>Guess CoR</source>
        <translation>回転中心を推定</translation>
    </message>
    <message>
        <source>Y Offset</source>
        <translation>Y オフセット</translation>
    </message>
    <message>
        <source>Move Y w. Mouse</source>
        <translation>マウスで Y 移動</translation>
    </message>
    <message>
        <source>Alter. Stack</source>
        <translation>交互に並べる</translation>
    </message>
    <message>
        <source>Fits the centre of mass of every projection of the slice: right to about a tenth of a pixel where the object stays inside the line</source>
        <translation>スライスの全投影の重心に正弦曲線を当てはめる：試料が常に視野内にあれば約0.1画素の精度</translation>
    </message>
    <message>
        <source>Find CoR</source>
        <translation>中心検出</translation>
    </message>
</context>
<context>
    <name>SlicesCtrl</name>
    <message>
        <source>Load Slices</source>
        <translation>スライス読み込み</translation>
    </message>
    <message>
        <source>Show Setup %1</source>
        <translation>設定 %1 を表示</translation>
    </message>
    <message>
        <source>Color Scale: </source>
        <translation>色範囲: </translation>
    </message>
    <message>
        <source>min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Show Frame</source>
        <translation>枠を表示</translation>
    </message>
    <message>
        <source>Show Volume</source>
        <translation>立体を表示</translation>
    </message>
    <message>
        <source>Show C. Section</source>
        <translation>断面を表示</translation>
    </message>
    <message>
        <source>Cross Section</source>
        <translation>断面</translation>
    </message>
    <message>
        <source>Fix Dir.</source>
        <translation>向きを固定</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>V Color</source>
        <translation>立体の色</translation>
    </message>
    <message>
        <source>S Color</source>
        <translation>断面の色</translation>
    </message>
    <message>
        <source>Select Data Files</source>
        <translation>データファイルを選択</translation>
    </message>
    <message>
        <source>Data Files (*.dat *.png)</source>
        <translation>データファイル (*.dat *.png)</translation>
    </message>
    <message>
        <source>Any Files (* *.*)</source>
        <translation>すべてのファイル (* *.*)</translation>
    </message>
    <message>
        <source>Select Volume Color</source>
        <translation>立体の色を選択</translation>
    </message>
    <message>
        <source>Select Section Color</source>
        <translation>断面の色を選択</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Opacity of the object. &lt;/p&gt;&lt;p&gt;255 : no transpparency (anything behind is invisible )&lt;/p&gt;&lt;p&gt;0 : perfectry transparent ( the object itself is invisible )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;物体の不透明度。&lt;/p&gt;&lt;p&gt;255 : 透明でない（背後は見えない）&lt;/p&gt;&lt;p&gt;0 : 完全に透明（物体自体が見えない）&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>XafsBatch</name>
    <message>
        <source>Data Loading</source>
        <translation>データ読込</translation>
    </message>
    <message>
        <source>Calculating</source>
        <translation>計算中</translation>
    </message>
    <message>
        <source>Finished Calc.</source>
        <translation>計算完了</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>完了</translation>
    </message>
</context>
</TS>
