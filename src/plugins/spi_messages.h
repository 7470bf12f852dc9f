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
// A call that the plug-in helper did not bring to an end; %s: the module's file name, %s: the
// entry point, %s: the cause (one of the texts below).
inline constexpr char SSPIHostLost[] = "%s:Susie Pluginの%s: %s";
// Causes: the helper ended (%s: its exit code or signal), did not answer in time (%d: the limit
// in seconds), answered what cannot be, or lost the module and could not load it again.
inline constexpr char SHostEnded[] = "the plug-in's process ended with %s";
inline constexpr char SHostSilent[] = "no answer within %d s";
inline constexpr char SHostBroken[] = "the plug-in's process answered what cannot be";
inline constexpr char SHostReloadFailed[] = "the plug-in could not be loaded again";
// No helper could be started; %s: its path, %s: the system's reason.
inline constexpr char SHostStart[] = "the plug-in host %s cannot be started: %s";
// A second plug-in collection.
inline constexpr char SSPIDupCreate[] = "TSPIs は複数生成できません";
// A registry value that should hold a directory but is no string; %s: the value's name.
inline constexpr char SRegistryValueNotText[] = "レジストリ値 %s は文字列ではありません";

}  // namespace spi_messages
