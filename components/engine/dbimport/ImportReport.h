// What orv-dbimport tells the user about a container: its header, its checks, and per file what the
// engine will make of it (signatures kept by kind, lines refused by reason), in the words of the
// engine's own load report.
#pragma once

#include <string>

#include "ContainerReader.h"

namespace orv {

std::string DescribeContainer(const Container& container);

} // namespace orv
