// A stored window description: a tree of objects, each with its class, its name, its property
// values in the order they are set, and the objects nested inside it. The root stands for the
// form itself; its properties are the form's own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/property_value.h"
#include "ui/published_class.h"

struct TObjectDescription {
  const TPublishedClass* Class = nullptr;
  std::string Name;
  std::vector<std::pair<std::string, TPropertyValue>> Properties;
  std::vector<TObjectDescription> Children;
};

// Reads `description` into `root`, which is the object the description's root stands for:
// 1. every component in the tree is made in description order (parents before their nested
//    objects), owned by `root`, named, placed in its parent, and given its properties in order;
//    all of them, `root` included, carry csLoading meanwhile;
// 2. once the whole tree has been read, each of them receives `Loaded`, in the order made, and
//    `root` last.
// A failure while reading passes on; what was made so far stays owned by `root`.
// `rootClass` must be the published entry of `root`'s class (or a base of it).
// Event properties name methods of the root, found through `methods`.
void ReadDescription(TComponent& root, const TPublishedClass& rootClass,
                     const TObjectDescription& description, const TMethodLookup& methods);
