// The stored description of the main window: every control with its position, size, caption,
// tab order and visibility, the hidden chart's settings, the plug-in collection and the two
// dialogs, in creation order.
#pragma once

#include "ui/description.h"

const TObjectDescription& Tintsight1Description();

// The published entry of the plug-in collection, which the description needs to make and set it.
const TPublishedClass& SPIsPublished();
