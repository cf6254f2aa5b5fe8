#pragma once

// `xbtool info FILE`: the header facts of one file, the kind chosen by its extension
// (.dbf, .dbt, .ntx, .cgp, in any case).
//
// A file is shown only when the engine itself accepts it; otherwise the engine's reason goes
// to `err` and the result is kFailed. An unknown extension gives kUsage.

#include <ostream>
#include <string>

namespace xbtool {

int showFileInfo(const std::string &path, std::ostream &out, std::ostream &err);

} // namespace xbtool
