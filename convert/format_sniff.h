// What a file holds, decided from its first bytes and its size: the
// extension of a file name is only a hint.
#pragma once

#include <string>

#include "qev_3ds_convert.hpp"

namespace qev::convert {

struct Sniffed {
  qev3ds::Format format = qev3ds::Format::unknown;  // unknown: refused, why says what it is
  std::string why;
};

// The model format of the file at path. hint is the format its extension
// names, taken where the content allows it (OBJ text has no signature).
// Refused with a reason: a folder, a pipe or device, an empty file, an image,
// an archive or a document, UTF-16 text, and bytes that are no text where
// the hint is a text format.
Sniffed sniff_format(const std::string& path, qev3ds::Format hint);

}  // namespace qev::convert
