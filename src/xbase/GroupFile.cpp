#include "GroupFile.h"

#include "File.h"

namespace xbase {

namespace {
constexpr long long kMaxGroupFile = 64 << 10;
}

bool readGroupFile(const std::string &path, std::vector<std::string> *tags, std::string *error)
{
    tags->clear();
    File f;
    if (!f.open(path, File::Mode::ReadOnly)) {
        *error = "cannot open group file " + path + ": " + fs::lastErrorText();
        return false;
    }
    long long size = f.size();
    if (size < 0 || size > kMaxGroupFile) {
        *error = "group file " + path + " is not a list of tags (" + std::to_string(size) +
                 " bytes)";
        return false;
    }
    std::string text(size_t(size), '\0');
    if (!f.readAt(0, text.data(), text.size())) {
        *error = "cannot read group file " + path + ": " + fs::lastErrorText();
        return false;
    }
    std::string name;
    auto finish = [&]() -> bool {
        if (name.empty()) return true;
        if (name.size() > 255) {
            *error = "group file " + path + " names a tag longer than 255 characters";
            return false;
        }
        tags->push_back(name);
        name.clear();
        return true;
    };
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t' || c == 0x1A) {
            if (!finish()) return false;
        } else if (c == '\0' || c == '/') {
            *error = "group file " + path + " holds a character that cannot be in a tag name";
            return false;
        } else {
            name += c;
        }
    }
    if (!finish()) return false;
    return true;
}

bool writeGroupFile(const std::string &path, const std::vector<std::string> &tags,
                    std::string *error)
{
    std::string text;
    for (const auto &t : tags) text += t + "\r\n";
    const std::string tmp = path + ".tmp";
    File f;
    if (!f.open(tmp, File::Mode::Create) || !f.writeAt(0, text.data(), text.size()) ||
        !f.sync()) {
        *error = "cannot write group file " + tmp + ": " + fs::lastErrorText();
        fs::remove(tmp);
        return false;
    }
    f.close();
    if (!fs::replace(tmp, path)) {
        *error = "cannot rename " + tmp + " to " + path + ": " + fs::lastErrorText();
        fs::remove(tmp);
        return false;
    }
    return true;
}

} // namespace xbase
