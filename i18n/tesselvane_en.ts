<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>BmpReader</name>
    <message>
        <source>ビットマップ画像 %1 は不正です</source>
        <translation>The bitmap %1 is invalid</translation>
    </message>
    <message>
        <source>ビットマップ画像 %1 は途中で切れています</source>
        <translation>The bitmap %1 is cut short</translation>
    </message>
    <message>
        <source>画像 %1 を読み込むメモリが足りません</source>
        <translation>Not enough memory to read the picture %1</translation>
    </message>
    <message>
        <source>画像 %1 は大きすぎます (%2 × %3)</source>
        <translation>The picture %1 is too large (%2 × %3)</translation>
    </message>
    <message>
        <source>ビットマップ画像 %1 を開けません</source>
        <translation>Cannot open the bitmap %1</translation>
    </message>
</context>
<context>
    <name>CalendarDialog</name>
    <message>
        <source>カレンダーの設定</source>
        <translation>Calendar Settings</translation>
    </message>
    <message>
        <source>壁紙に使う</source>
        <translation>Use on the wallpaper</translation>
    </message>
    <message>
        <source>左上</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>右上</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>左下</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>右下</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>小</source>
        <translation>Small</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>大</source>
        <translation>Large</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>文字の色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>背景の色</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>大きさ</source>
        <translation>Size</translation>
    </message>
</context>
<context>
    <name>CalendarPainter</name>
    <message>
        <source>%1年%2月</source>
        <translation>%2/%1</translation>
    </message>
    <message>
        <source>日月火水木金土</source>
        <translation>SMTWTFS</translation>
    </message>
</context>
<context>
    <name>ColorFilterDialog</name>
    <message>
        <source>色フィルターの設定</source>
        <translation>Colour Filter Settings</translation>
    </message>
    <message>
        <source>壁紙に使う</source>
        <translation>Use on the wallpaper</translation>
    </message>
    <message>
        <source>効果</source>
        <translation>Effect</translation>
    </message>
    <message>
        <source>グレースケール</source>
        <translation>Greyscale</translation>
    </message>
    <message>
        <source>セピア</source>
        <translation>Sepia</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>次の壁紙にします (メニューの「次へ」)</source>
        <translation>show the next wallpaper (the menu's Next)</translation>
    </message>
    <message>
        <source>前の壁紙に戻します (「前へ」)</source>
        <translation>go back to the previous wallpaper (Previous)</translation>
    </message>
    <message>
        <source>時間による変更を止めます (「一時停止」)</source>
        <translation>stop the timed changes (Pause)</translation>
    </message>
    <message>
        <source>時間による変更を再び始めます</source>
        <translation>start the timed changes again</translation>
    </message>
    <message>
        <source>今の壁紙をもう一度表示します (「再表示」)</source>
        <translation>show the current wallpaper again (Redisplay)</translation>
    </message>
    <message>
        <source>壁紙を消します (「壁紙を消す」)</source>
        <translation>remove the wallpaper (Clear wallpaper)</translation>
    </message>
    <message>
        <source>ジャンプのダイアログを開きます</source>
        <translation>open the Jump dialog</translation>
    </message>
    <message>
        <source>選んだグループのスライドショーを始めます</source>
        <translation>start the slide show of the chosen group</translation>
    </message>
    <message>
        <source>ツールバーを元に戻します</source>
        <translation>bring the toolbar back</translation>
    </message>
    <message>
        <source>group, picture, mode, paused, next を一行ずつ表示します</source>
        <translation>print group, picture, mode, paused and next, one per line</translation>
    </message>
    <message>
        <source>使い方: tesselvane [スイッチ]
  (なし)       壁紙を変えながら常駐します; 動いていれば、そのツールバーを前に出します
  -C           壁紙を一度変えて終わります (間隔モードでは常駐します)
</source>
        <translation>Usage: tesselvane [switch]
  (none)       stay resident and change the wallpaper; if already running, bring its toolbar forward
  -C           change the wallpaper once and end (stays resident in the interval mode)
</translation>
    </message>
    <message>
        <source>  --help       この使い方を表示します
  --version    バージョンを表示します
--next から --status までは動いている Tesselvane への命令です。
終了コード: 0 成功、1 失敗、2 スイッチの誤り、3 動いている Tesselvane がない
</source>
        <translation>  --help       show this usage
  --version    show the version
--next to --status are commands to the running Tesselvane.
Exit status: 0 success, 1 failure, 2 a wrong switch, 3 no running Tesselvane
</translation>
    </message>
    <message>
        <source>動いている Tesselvane がありません</source>
        <translation>No Tesselvane is running</translation>
    </message>
    <message>
        <source>動いている Tesselvane が答えません</source>
        <translation>The running Tesselvane does not answer</translation>
    </message>
</context>
<context>
    <name>DesktopBackend</name>
    <message>
        <source>このデスクトップ (%1) の壁紙は設定できません</source>
        <translation>Cannot set the wallpaper of this desktop (%1)</translation>
    </message>
    <message>
        <source>TESSELVANE_DESKTOP=%1 は分かりません (%2)</source>
        <translation>TESSELVANE_DESKTOP=%1 is not known (%2)</translation>
    </message>
</context>
<context>
    <name>DesktopComposition</name>
    <message>
        <source>壁紙の画像を作るメモリが足りません</source>
        <translation>Not enough memory to make the wallpaper picture</translation>
    </message>
</context>
<context>
    <name>DibImage</name>
    <message>
        <source>ヘッダーがありません</source>
        <translation>There is no header</translation>
    </message>
    <message>
        <source>大きさ %1 x %2 は画像になりません</source>
        <translation>A size of %1 x %2 is no picture</translation>
    </message>
    <message>
        <source>大きさ %1 x %2 は大きすぎます</source>
        <translation>A size of %1 x %2 is too large</translation>
    </message>
    <message>
        <source>%1 ビット、圧縮 %2 の画像は読めません</source>
        <translation>Cannot read pictures of %1 bits with compression %2</translation>
    </message>
    <message>
        <source>画素 %1 バイトのはずが %2 バイトしかありません</source>
        <translation>Expected %1 bytes of pixels but there are only %2</translation>
    </message>
    <message>
        <source>ヘッダーと色の表がありません</source>
        <translation>The header and the colour table are missing</translation>
    </message>
</context>
<context>
    <name>EarlyStart</name>
    <message>
        <source>動いている Tesselvane に呼びかけましたが届きません</source>
        <translation>Called the running Tesselvane but could not reach it</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>不明なエラーが発生しました</source>
        <translation>An unknown error occurred</translation>
    </message>
</context>
<context>
    <name>ExtensionPlugins</name>
    <message>
        <source>壁紙を拡張プラグインに渡すメモリが足りません</source>
        <translation>Not enough memory to pass the wallpaper to the extension plug-ins</translation>
    </message>
    <message>
        <source>拡張プラグイン %1 の画像を受け取るメモリが足りません</source>
        <translation>Not enough memory to take the picture of the extension plug-in %1</translation>
    </message>
    <message>
        <source>拡張プラグイン %1 が画像を返しませんでした</source>
        <translation>The extension plug-in %1 returned no picture</translation>
    </message>
    <message>
        <source>拡張プラグイン %1 の返した画像が不正です (%2)</source>
        <translation>The picture the extension plug-in %1 returned is invalid (%2)</translation>
    </message>
    <message>
        <source>拡張プラグインの返した画像が不正です</source>
        <translation>The picture an extension plug-in returned is invalid</translation>
    </message>
</context>
<context>
    <name>FreshLink</name>
    <message>
        <source>壁紙へのリンク %1 を作れません</source>
        <translation>Cannot make the link %1 to the wallpaper</translation>
    </message>
    <message>
        <source>壁紙 %1 がありません</source>
        <translation>The wallpaper %1 does not exist</translation>
    </message>
</context>
<context>
    <name>GnomeDesktop</name>
    <message>
        <source>GSettings のスキーマ %1 がありません</source>
        <translation>The GSettings schema %1 is missing</translation>
    </message>
</context>
<context>
    <name>Groups</name>
    <message>
        <source>グループ名に \ は使えません</source>
        <translation>A group name cannot contain \</translation>
    </message>
    <message>
        <source>グループ名が長すぎます（半角30文字、全角15文字まで）</source>
        <translation>The group name is too long (at most 30 narrow or 15 wide characters)</translation>
    </message>
    <message>
        <source>二重登録です</source>
        <translation>That name is already in the list</translation>
    </message>
    <message>
        <source>グループ名に改行やタブなどの制御文字は使えません</source>
        <translation>A group name cannot contain a line break, a tab or other control characters</translation>
    </message>
</context>
<context>
    <name>JpegCodec</name>
    <message>
        <source>画像 %1 を読み込むメモリが足りません</source>
        <translation>Not enough memory to read the picture %1</translation>
    </message>
    <message>
        <source>JPEG 画像を作れません (%1)</source>
        <translation>Cannot make the JPEG picture (%1)</translation>
    </message>
</context>
<context>
    <name>JpegDecoder</name>
    <message>
        <source>画像 %1 は大きすぎます (%2 × %3)</source>
        <translation>The picture %1 is too large (%2 × %3)</translation>
    </message>
    <message>
        <source>画像 %1 を読み込むメモリが足りません</source>
        <translation>Not enough memory to read the picture %1</translation>
    </message>
    <message>
        <source>JPEG 画像 %1 は不正です (%2)</source>
        <translation>The JPEG picture %1 is invalid (%2)</translation>
    </message>
    <message>
        <source>JPEG 画像 %1 を開けません</source>
        <translation>Cannot open the JPEG picture %1</translation>
    </message>
</context>
<context>
    <name>KdeDesktop</name>
    <message>
        <source>Plasma のシェル</source>
        <translation>the Plasma shell</translation>
    </message>
    <message>
        <source>Plasma のウィジェットがロックされているので壁紙を変えられません (%1)</source>
        <translation>Cannot change the wallpaper: Plasma's widgets are locked (%1)</translation>
    </message>
    <message>
        <source>Plasma が壁紙の設定を断りました: %1</source>
        <translation>Plasma refused to set the wallpaper: %1</translation>
    </message>
</context>
<context>
    <name>LxqtDesktop</name>
    <message>
        <source>%1 を書けません</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>壁紙 %1 がありません</source>
        <translation>The wallpaper %1 does not exist</translation>
    </message>
    <message>
        <source>LXQt のデスクトップ %1 がありません</source>
        <translation>The LXQt desktop %1 is missing</translation>
    </message>
    <message>
        <source>%1 が終わりません</source>
        <translation>%1 does not end</translation>
    </message>
    <message>
        <source>%1 が壁紙を設定できませんでした (終了コード %2)</source>
        <translation>%1 could not set the wallpaper (exit status %2)</translation>
    </message>
</context>
<context>
    <name>ManualHelp</name>
    <message>
        <source>マニュアル %1 を開けるブラウザがありません。</source>
        <translation>There is no browser to open the manual %1.</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>MonitorPictures</name>
    <message>
        <source>壁紙 %1 を読めません: %2</source>
        <translation>Cannot read the wallpaper %1: %2</translation>
    </message>
    <message>
        <source>デスクトップの画像 %1 を書けません %2</source>
        <translation>Cannot write the desktop picture %1 %2</translation>
    </message>
</context>
<context>
    <name>PlugInNames</name>
    <message>
        <source>カレンダー</source>
        <translation>Calendar</translation>
    </message>
    <message>
        <source>色フィルター</source>
        <translation>Colour filter</translation>
    </message>
</context>
<context>
    <name>PluginHost</name>
    <message>
        <source>プラグイン %1 が異常終了しました</source>
        <translation>The plug-in %1 crashed</translation>
    </message>
    <message>
        <source>プラグインを動かす %1 を起動できません</source>
        <translation>Cannot start %1, which runs the plug-ins</translation>
    </message>
    <message>
        <source>プラグイン %1 が %2 秒たっても応答しないため中止しました</source>
        <translation>The plug-in %1 was stopped: no answer after %2 seconds</translation>
    </message>
    <message>
        <source>プラグイン %1 の処理を中止しました</source>
        <translation>The plug-in %1 was stopped</translation>
    </message>
</context>
<context>
    <name>PluginHostMain</name>
    <message>
        <source>tesselvane が起動するプログラムです</source>
        <translation>this program is started by tesselvane</translation>
    </message>
</context>
<context>
    <name>ProgramStart</name>
    <message>
        <source>画面に接続できません: %1=%2</source>
        <translation>Cannot connect to the screen: %1=%2</translation>
    </message>
    <message>
        <source>キー \SOFTWARE\Morvanti\TESSEL の作成に失敗しました</source>
        <translation>Could not create the key \SOFTWARE\Morvanti\TESSEL</translation>
    </message>
    <message>
        <source>設定のファイル %1 は壊れているか、設定のファイルではありません</source>
        <translation>The settings file %1 is damaged, or is not a settings file</translation>
    </message>
    <message>
        <source>設定のファイル %1 は新しい版の Tesselvane が書いたものです</source>
        <translation>The settings file %1 was written by a newer version of Tesselvane</translation>
    </message>
    <message>
        <source>設定のファイル %1 に書き込めません</source>
        <translation>Cannot write to the settings file %1</translation>
    </message>
    <message>
        <source>ディスクがいっぱいで設定を保存できません (%1)</source>
        <translation>The disk is full: the settings cannot be saved (%1)</translation>
    </message>
</context>
<context>
    <name>RegIni</name>
    <message>
        <source>キー %1 の作成に失敗しました</source>
        <translation>Could not create the key %1</translation>
    </message>
    <message>
        <source>'%1' の設定に失敗しました</source>
        <translation>Could not set '%1'</translation>
    </message>
    <message>
        <source>'%1' の取得に失敗しました</source>
        <translation>Could not read '%1'</translation>
    </message>
    <message>
        <source>'%1' のデータ型が不正です</source>
        <translation>'%1' has the wrong data type</translation>
    </message>
    <message>
        <source>'%1' の削除に失敗しました</source>
        <translation>Could not delete '%1'</translation>
    </message>
</context>
<context>
    <name>RunningCopy</name>
    <message>
        <source>%1 で二度目の起動を待てません (%2)</source>
        <translation>Cannot wait for a second start at %1 (%2)</translation>
    </message>
</context>
<context>
    <name>RunningCopyListener</name>
    <message>
        <source>答えがありません</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>分からない要求です: %1</source>
        <translation>Unknown request: %1</translation>
    </message>
</context>
<context>
    <name>SessionBus</name>
    <message>
        <source>D-Bus のセッションバスに接続できません</source>
        <translation>Cannot connect to the D-Bus session bus</translation>
    </message>
    <message>
        <source>%1 (%2) がセッションバスにありません</source>
        <translation>%1 (%2) is not on the session bus</translation>
    </message>
    <message>
        <source>%1 (%2) が答えません</source>
        <translation>%1 (%2) does not answer</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>二重起動を防ぐロック %1 を作れません (%2)</source>
        <translation>Cannot make the lock %1 that keeps a second copy from starting (%2)</translation>
    </message>
    <message>
        <source>ロック %1 を取れません (%2)</source>
        <translation>Cannot take the lock %1 (%2)</translation>
    </message>
</context>
<context>
    <name>SwayDesktop</name>
    <message>
        <source>sway の IPC ソケットの名前 %1 が長すぎます</source>
        <translation>The name of sway's IPC socket %1 is too long</translation>
    </message>
    <message>
        <source>sway の IPC ソケット %1 に接続できません</source>
        <translation>Cannot connect to sway's IPC socket %1</translation>
    </message>
    <message>
        <source>sway が IPC に答えません</source>
        <translation>sway does not answer on its IPC</translation>
    </message>
    <message>
        <source>sway の IPC ソケット %1 との接続が切れました</source>
        <translation>The connection to sway's IPC socket %1 was lost</translation>
    </message>
    <message>
        <source>sway に渡せない文字が壁紙のパス %1 にあります</source>
        <translation>The wallpaper's path %1 has characters sway cannot take</translation>
    </message>
    <message>
        <source>sway の IPC の返事が読めません</source>
        <translation>Cannot read sway's IPC answer</translation>
    </message>
    <message>
        <source>sway の IPC の返事が途中で切れています</source>
        <translation>sway's IPC answer is cut short</translation>
    </message>
    <message>
        <source>sway が壁紙の設定を断りました: %1</source>
        <translation>sway refused to set the wallpaper: %1</translation>
    </message>
    <message>
        <source>sway の IPC ソケット (SWAYSOCK) がありません</source>
        <translation>There is no sway IPC socket (SWAYSOCK)</translation>
    </message>
</context>
<context>
    <name>TMorvSlide</name>
    <message>
        <source>スライド</source>
        <translation>Slide show</translation>
    </message>
    <message>
        <source>壁紙ファイル %1 を書けません (%2)</source>
        <translation>Cannot write the wallpaper file %1 (%2)</translation>
    </message>
</context>
<context>
    <name>TOpenSusieDialog</name>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>画像:</source>
        <translation>Picture:</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>TSelectFolderDialog</name>
    <message>
        <source>場所:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>フォルダ:</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>フォルダの参照</source>
        <translation>Browse for Folder</translation>
    </message>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>TSusie</name>
    <message>
        <source>プラグイン %1 の画像を受け取るメモリが足りません</source>
        <translation>Not enough memory to take the picture of the plug-in %1</translation>
    </message>
    <message>
        <source>画像を受け取れません</source>
        <translation>Cannot take the picture</translation>
    </message>
    <message>
        <source>プラグイン %1 の返した画像が不正です (%2)</source>
        <translation>The picture the plug-in %1 returned is invalid (%2)</translation>
    </message>
    <message>
        <source>%1 は通常のファイルではないので画像として読めません</source>
        <translation>%1 is not a regular file and cannot be read as a picture</translation>
    </message>
</context>
<context>
    <name>TVersionInfo</name>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>著作権者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>クリックするとブラウザで開きます</source>
        <translation>Click to open in the browser</translation>
    </message>
</context>
<context>
    <name>TWinSpinEdit</name>
    <message>
        <source>増減</source>
        <translation>Up or down</translation>
    </message>
</context>
<context>
    <name>TfrmGroup</name>
    <message>
        <source>グループメンテナンス</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>グループ</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>グループ名</source>
        <translation>Group name</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>設定...</source>
        <translation>Edit...</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>TfrmGroupSet</name>
    <message>
        <source>ファイル指定</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>フォルダ指定</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>グループ「</source>
        <translation>Group “</translation>
    </message>
    <message>
        <source>」の設定</source>
        <translation>” settings</translation>
    </message>
    <message>
        <source>フォルダを選択してください</source>
        <translation>Choose a folder</translation>
    </message>
</context>
<context>
    <name>TfrmJump</name>
    <message>
        <source>ジャンプ</source>
        <translation>Jump</translation>
    </message>
    <message>
        <source>グループ</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>決定</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>グループ %1 はもうありません</source>
        <translation>The group %1 no longer exists</translation>
    </message>
</context>
<context>
    <name>TfrmOption</name>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>基本</source>
        <translation>General</translation>
    </message>
    <message>
        <source>変更した壁紙を記憶する</source>
        <translation>Remember the changed wallpaper</translation>
    </message>
    <message>
        <source>ランダム</source>
        <translation>Random</translation>
    </message>
    <message>
        <source>画面サイズに合わせて壁紙を拡大・縮小表示する</source>
        <translation>Fit the wallpaper to the screen size</translation>
    </message>
    <message>
        <source>拡大・縮小のしかた</source>
        <translation>How to fit</translation>
    </message>
    <message>
        <source>引き伸ばす</source>
        <translation>Stretch</translation>
    </message>
    <message>
        <source>全体を表示</source>
        <translation>Show all of it</translation>
    </message>
    <message>
        <source>画面を埋める</source>
        <translation>Fill the screen</translation>
    </message>
    <message>
        <source>スライド</source>
        <translation>Slide show</translation>
    </message>
    <message>
        <source>自動切替</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>秒毎に切り替える</source>
        <translation>seconds between pictures</translation>
    </message>
    <message>
        <source>手動切替</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Susie Plug-in</source>
        <translation>Susie Plug-in</translation>
    </message>
    <message>
        <source>Susie Plug-inのパス</source>
        <translation>Susie Plug-in folder</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>JPEGはプラグインを使用せず内部の機能を使用する</source>
        <translation>Read JPEG pictures without a plug-in</translation>
    </message>
    <message>
        <source>サウンド</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>壁紙変更時にサウンドを鳴らす</source>
        <translation>Play a sound when the wallpaper changes</translation>
    </message>
    <message>
        <source>サウンドファイル</source>
        <translation>Sound file</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>サウンドファイルの参照</source>
        <translation>Browse for the sound file</translation>
    </message>
    <message>
        <source>変更開始時</source>
        <translation>At the start</translation>
    </message>
    <message>
        <source>変更終了時</source>
        <translation>At the end</translation>
    </message>
    <message>
        <source>サウンドを鳴らす時</source>
        <translation>When to play the sound</translation>
    </message>
    <message>
        <source>に鳴らす</source>
        <translation>of a change</translation>
    </message>
    <message>
        <source>プラグイン</source>
        <translation>Plug-ins</translation>
    </message>
    <message>
        <source>インストールされているプラグイン</source>
        <translation>Installed plug-ins</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>更新(&amp;A)</source>
        <translation>&amp;Apply</translation>
    </message>
    <message>
        <source>サウンドファイル (*.wav *.WAV)</source>
        <translation>Sound files (*.wav *.WAV)</translation>
    </message>
    <message>
        <source>Susieプラグインの存在場所</source>
        <translation>Where the Susie plug-ins are</translation>
    </message>
    <message>
        <source>モニター</source>
        <translation>Monitors</translation>
    </message>
    <message>
        <source>すべてのモニターに同じ壁紙</source>
        <translation>One wallpaper for all monitors</translation>
    </message>
    <message>
        <source>モニターごとに別の壁紙</source>
        <translation>A wallpaper for each monitor</translation>
    </message>
</context>
<context>
    <name>TfrmPreview</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>TfrmSetWeekday</name>
    <message>
        <source>曜日別グループの設定</source>
        <translation>Groups by Weekday</translation>
    </message>
    <message>
        <source>日曜</source>
        <translation>Sun</translation>
    </message>
    <message>
        <source>月曜</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>火曜</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>水曜</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>木曜</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>金曜</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>土曜</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TfrmSlide</name>
    <message>
        <source>次へ(&amp;N)</source>
        <translation>&amp;Next</translation>
    </message>
    <message>
        <source>前へ(&amp;P)</source>
        <translation>&amp;Previous</translation>
    </message>
    <message>
        <source>壁紙として設定(&amp;W)</source>
        <translation>Set as &amp;Wallpaper</translation>
    </message>
    <message>
        <source>一時停止(&amp;C)</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
</context>
<context>
    <name>TfrmTask</name>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>ｸﾞﾙｰﾌﾟの編集</source>
        <translation>Edit groups</translation>
    </message>
    <message>
        <source>時間の設定</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>画面全体に表示</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>中央に表示</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>ｽﾗｲﾄﾞ</source>
        <translation>Slide show</translation>
    </message>
    <message>
        <source>ｵﾌﾟｼｮﾝ</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ｸﾞﾙｰﾌﾟ</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>元のｻｲｽﾞに戻す(&amp;R)</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>次へ(&amp;N)</source>
        <translation>&amp;Next</translation>
    </message>
    <message>
        <source>前へ(&amp;P)</source>
        <translation>&amp;Previous</translation>
    </message>
    <message>
        <source>ジャンプ(&amp;J)</source>
        <translation>&amp;Jump...</translation>
    </message>
    <message>
        <source>一時停止(&amp;S)</source>
        <translation>Pau&amp;se</translation>
    </message>
    <message>
        <source>再表示(&amp;F)</source>
        <translation>Rede&amp;play</translation>
    </message>
    <message>
        <source>壁紙を消す(&amp;C)</source>
        <translation>&amp;Clear wallpaper</translation>
    </message>
    <message>
        <source>バージョン情報...(&amp;I)</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>終了(&amp;Z)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Windowsディレクトリの取得に失敗しました。</source>
        <translation>Could not find the Windows folder.</translation>
    </message>
    <message>
        <source>グループが選ばれていないので壁紙を変えられません (ツールバーでグループを選んでください)</source>
        <translation>Cannot change the wallpaper: no group is chosen (choose one in the toolbar)</translation>
    </message>
    <message>
        <source>グループを選択してください。</source>
        <translation>Please choose a group.</translation>
    </message>
</context>
<context>
    <name>TfrmTaskCommands</name>
    <message>
        <source>グループを選択してください。</source>
        <translation>Please choose a group.</translation>
    </message>
    <message>
        <source>TesselvaneMain(停止中)</source>
        <translation>TesselvaneMain (paused)</translation>
    </message>
</context>
<context>
    <name>TfrmTaskRemote</name>
    <message>
        <source>Tesselvane は終わるところです</source>
        <translation>Tesselvane is ending</translation>
    </message>
    <message>
        <source>日付で変えるモードでは次へ・前へは使えません</source>
        <translation>Next and Previous are not available in the modes that change by date</translation>
    </message>
    <message>
        <source>ランダムに選ぶときは前へ戻れません</source>
        <translation>Cannot go back to the previous wallpaper when pictures are chosen at random</translation>
    </message>
    <message>
        <source>一時停止は間隔で変えるモードでだけ使えます</source>
        <translation>Pause is available only in the interval mode</translation>
    </message>
    <message>
        <source>グループを選択してください。</source>
        <translation>Please choose a group.</translation>
    </message>
    <message>
        <source>ほかのウィンドウが開いています</source>
        <translation>Another window is open</translation>
    </message>
</context>
<context>
    <name>TfrmTime</name>
    <message>
        <source>時間の設定</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>変更の条件</source>
        <translation>When to change</translation>
    </message>
    <message>
        <source>グループを使用</source>
        <translation>Use a group</translation>
    </message>
    <message>
        <source>起動時に毎回変更する</source>
        <translation>Change at every start</translation>
    </message>
    <message>
        <source>一定時間が経過したら変更する</source>
        <translation>Change after a set time</translation>
    </message>
    <message>
        <source>変更の間隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>時間の単位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>時間</source>
        <translation>hr</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>sec</translation>
    </message>
    <message>
        <source>起動時にも変更</source>
        <translation>Also at start</translation>
    </message>
    <message>
        <source>曜日毎にグループを切り替える</source>
        <translation>Switch the group by weekday</translation>
    </message>
    <message>
        <source>設定...</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>曜日別グループの設定</source>
        <translation>Groups by Weekday</translation>
    </message>
    <message>
        <source>日付を使用</source>
        <translation>Use the date</translation>
    </message>
    <message>
        <source>日別に変更する</source>
        <translation>Change daily</translation>
    </message>
    <message>
        <source>曜日別に変更する</source>
        <translation>Change by weekday</translation>
    </message>
    <message>
        <source>週別に変更する</source>
        <translation>Change weekly</translation>
    </message>
    <message>
        <source>月別に変更する</source>
        <translation>Change monthly</translation>
    </message>
    <message>
        <source>対象フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>対象フォルダの参照</source>
        <translation>Browse for the folder</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Wallpaper</name>
    <message>
        <source>壁紙ファイル %1 を書けません (%2)</source>
        <translation>Cannot write the wallpaper file %1 (%2)</translation>
    </message>
    <message>
        <source>画像 %1 を読めません (読める形式でないか、壊れています)</source>
        <translation>Cannot read the picture %1 (not a format that can be read, or damaged)</translation>
    </message>
    <message>
        <source>ディスクがいっぱいです</source>
        <translation>the disk is full</translation>
    </message>
</context>
<context>
    <name>X11Desktop</name>
    <message>
        <source>壁紙の画像を作れません</source>
        <translation>Cannot make the wallpaper picture</translation>
    </message>
    <message>
        <source>壁紙の画像を作るメモリが足りません</source>
        <translation>Not enough memory to make the wallpaper picture</translation>
    </message>
    <message>
        <source>X ディスプレイ %1 に接続できません</source>
        <translation>Cannot connect to the X display %1</translation>
    </message>
    <message>
        <source>(DISPLAY が空です)</source>
        <translation>(DISPLAY is empty)</translation>
    </message>
    <message>
        <source>壁紙 %1 を読み込めません</source>
        <translation>Cannot read the wallpaper %1</translation>
    </message>
</context>
<context>
    <name>X11Pixels</name>
    <message>
        <source>壁紙の画像を作るメモリが足りません</source>
        <translation>Not enough memory to make the wallpaper picture</translation>
    </message>
</context>
<context>
    <name>XfceDesktop</name>
    <message>
        <source>Xfconf が壁紙の設定を断りました: %1</source>
        <translation>Xfconf refused to set the wallpaper: %1</translation>
    </message>
    <message>
        <source>Xfconf の返事が読めません</source>
        <translation>Cannot read Xfconf's answer</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>分からないスイッチです: %1</source>
        <translation>Unknown switch: %1</translation>
    </message>
    <message>
        <source>画面がありません (DISPLAY も WAYLAND_DISPLAY も空です)</source>
        <translation>No screen (DISPLAY and WAYLAND_DISPLAY are both empty)</translation>
    </message>
    <message>
        <source>プログラムの本体を読み込めません (%1)</source>
        <translation>Cannot load the program module (%1)</translation>
    </message>
</context>
</TS>