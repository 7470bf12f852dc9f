// The class library's own user-facing texts. Each stands here once; code refers to these names.
#pragma once

namespace rtl_messages {

// Streams and files.
inline constexpr char SReadError[] = "ストリームからの読み込みエラー";
inline constexpr char SWriteError[] = "ストリームへの書き込みエラー";
inline constexpr char SFOpenError[] = "ファイル %s は開けません";
inline constexpr char SFCreateError[] = "ファイル %s を作成できません";

// Lists and assignment.
inline constexpr char SListIndexError[] = "リストのインデックスが範囲を超えています (%d)";
inline constexpr char SAssignError[] = "%s を %s に代入することはできません";

// Operating-system failures.
inline constexpr char SOutOfResources[] = "システム リソースが足りません";
inline constexpr char SWin32Error[] = "Win32 エラー。コード : %d.\n%s";

// Pictures.
inline constexpr char SInvalidBitmap[] = "ビットマップイメージが不正です";
inline constexpr char SInvalidPixelFormat[] = "画像フォーマットが不正です";
inline constexpr char SScanLine[] = "スキャンライン のインデックスが範囲を越えました";
inline constexpr char SUnknownPictureFormat[] = "認識できない画像形式です";

// Clipboard.
inline constexpr char SCannotOpenClipboard[] = "クリップボードを開くことができません";
inline constexpr char SUnknownClipboardFormat[] = "未対応のクリップボード データです";

}  // namespace rtl_messages
