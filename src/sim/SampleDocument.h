#pragma once
// The sample parameter document (data/sample-device.xml), built into the program so the
// simulator serves it wherever it runs.
#include <string>

namespace kov {
std::string SampleDocumentText();
} // namespace kov
