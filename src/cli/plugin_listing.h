// What tintsight-cli --list-plugins prints: every plug-in of the collection with its
// self-description, so that a user can see which formats the program reads and from where.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "plugins/spis.h"

// The kind of plug-in, by its class: "import" (TInSPI, which decodes pictures), "archive"
// (TAmSPI), or "other" (TXnSPI, and a plain TSPI of any other API version).
std::string_view PluginKind(const TSPI& spi);

// Writes one block per plug-in of `plugins`, in collection order, blocks separated by an empty
// line:
//   <the module's path>
//     class: <kind> (<class name>)
//     version: <API version, or "(none)">
//     name: <plug-in name, or "(none)">
//     filter: <filter> (<description>)      one line per filter, in the module's order
// A filter without description is printed alone. Texts from the module are printed as one line
// each (see OneLine). With no plug-in it says so and lists `searchedFolders`.
void ListPlugins(const TSPIs& plugins, std::span<const std::string> searchedFolders,
                 std::ostream& output);
