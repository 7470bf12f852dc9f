// The plug-in collection of a tintsight-cli run. Unlike the window's, it is made by code, so it
// searches only where it is told: the program's own folders, then the folders the user names.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "plugins/spis.h"

// Where an installed program's bundled plug-ins are: ../lib/tintsight/SusiePlugin from the
// program's folder (/usr/lib/tintsight/SusiePlugin for /usr/bin/tintsight-cli); empty when the
// program's folder is unknown.
std::string InstalledPluginFolder();

// Points the plug-in helper at ../lib/tintsight/ from the program's folder when the helper is not
// beside the program but there, as an installed program has it (/usr/lib/tintsight beside
// /usr/bin); otherwise leaves the helper beside the program.
void UseInstalledPluginHost();

// The folders that OpenPluginCollection searches, in its order: the program's "SusiePlugin"
// folder and the program's folder (in the order that the collection searches its places), the
// installed plug-in folder where it exists, then each of `pluginDirs` as given. A place the
// system does not report is left out.
std::vector<std::string> PluginSearchFolders(std::span<const std::string> pluginDirs);

// A new plug-in collection, which is the process's collection instance until the caller
// releases it, holding every usable plug-in of the folders above in the order found (each
// folder scanned once per kind of module, kSPIModulePatterns).
// Each of `pluginDirs` must be a folder: a missing one or a file fails with EUsageError before
// anything is searched, since a misspelt folder would otherwise only show as pictures that
// nothing reads.
// Unusable modules are passed over silently. Fails with ESPIDupCreateSPIs when a collection
// exists already.
std::unique_ptr<TSPIs> OpenPluginCollection(std::span<const std::string> pluginDirs);
