// The visual library's own texts. Each stands here once; code refers to these names.
#pragma once

namespace ui_messages {

// Reading a stored window description.
inline constexpr char SUnknownProperty[] = "プロパティ %s は存在しません";
inline constexpr char SInvalidPropertyValue[] = "プロパティ %s の値が不正です";
inline constexpr char SMethodNotFound[] = "メソッド %s が見つかりません";
inline constexpr char SComponentNotFound[] = "コンポーネント %s が見つかりません";
inline constexpr char SCannotNest[] = "%s を %s の中に置くことはできません";

// Memory.
inline constexpr char SOutOfMemory[] = "メモリが足りません";
inline constexpr char SUnknownException[] = "不明な例外が発生しました";

}  // namespace ui_messages
