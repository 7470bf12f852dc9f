// Why no way decodes a picture, in words for the command line's one line: the window only says
// that the format is not recognised, a script's user needs to know what to fix.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

class TCustomMemoryStream;

// Asks again what the loading asked of `picture` (the input's bytes, named `name`; empty for
// standard input) and says what each answered: for data that starts as a BMP file, the BMP
// reader's refusal ("BMP reader: ビットマップイメージが不正です"); otherwise each import plug-in of
// the collection, in the order that the name's extension sets, with "refused", "failed with code
// N (its meaning)" or "faulted: <message>", or that there is no plug-in. Only run after a load
// failed, so the plug-ins are asked twice only for pictures that nothing reads.
std::string WhyNothingDecodes(TCustomMemoryStream& picture, const std::string& name);

// Asks, from the first bytes of an input named `name` (empty for standard input), whether the BMP
// reader or an import plug-in may read it, as the loading would offer it: data that starts as a
// BMP file goes to the BMP reader; each plug-in of the collection, in the order that the name's
// extension sets, is asked IsSupported about the head, and about the head without its first 128
// bytes (the loading's second offer). Nothing when one may, also when a plug-in faults on the
// question (the loading then reports it); otherwise why not, as WhyNothingDecodes says it of the
// whole data: "<plug-in> refused" for each, or that there is no plug-in.
std::optional<std::string> WhyNothingReadsHead(std::span<const std::uint8_t> head,
                                               const std::string& name);
