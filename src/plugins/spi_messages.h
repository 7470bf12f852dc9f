// The plug-in host's user-facing texts. Each stands here once; code refers to these names.
#pragma once

namespace spi_messages {

// A module that does not load; %s: the path it was asked for.
inline constexpr char SSPIFOpenError[] = "%s:Susie Pluginがロードできませんでした";
// A module that lacks a required entry point; %s: the module's file name.
inline constexpr char SSPIInvalid[] = "%s:認識できないSusie Pluginです";
// An entry point that the module does not export; %s: its name, %s: the module's file name.
inline constexpr char SSPIInvalidAPI[] = "%sは[%s]では使えないSusie Plugin APIです";
// A processor fault inside a plug-in; %s: the module's file name, %s: the entry point, %s: the
// fault's code ("0xC0000005" on Windows, the signal's name elsewhere).
inline constexpr char SSPIFault[] = "%s:Susie Pluginの%sで例外 %s が発生しました";
// A second plug-in collection.
inline constexpr char SSPIDupCreate[] = "TSPIs は複数生成できません";
// A registry value that should hold a directory but is no string; %s: the value's name.
inline constexpr char SRegistryValueNotText[] = "レジストリ値 %s は文字列ではありません";

}  // namespace spi_messages
