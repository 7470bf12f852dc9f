// Why no way decodes a picture, in words for the command line's one line: the window only says
// that the format is not recognised, a script's user needs to know what to fix.
#pragma once

#include <string>

class TCustomMemoryStream;

// Asks again what the loading asked of `picture` (the input's bytes, named `name`; empty for
// standard input) and says what each answered: for data that starts as a BMP file, the BMP
// reader's refusal ("BMP reader: ビットマップイメージが不正です"); otherwise each import plug-in of
// the collection, in the order that the name's extension sets, with "refused", "failed with code
// N (its meaning)" or "faulted: <message>", or that there is no plug-in. Only run after a load
// failed, so the plug-ins are asked twice only for pictures that nothing reads.
std::string WhyNothingDecodes(TCustomMemoryStream& picture, const std::string& name);
