#pragma once

#include <string>
#include <vector>

namespace xmlbench {

// A skin-like document of at least minBytes: nested layouts, controls with many attributes,
// entities, comments and short texts. The same seed gives the same bytes.
std::string MakeSkinDocument(size_t minBytes, unsigned seed);

// Small documents the size of real skin files (one window each, 1 to 12 KiB).
std::vector<std::string> MakeSmallSkinDocuments();

} // namespace xmlbench
