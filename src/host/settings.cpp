#include "host/settings.h"

namespace {
bool isControl(unsigned char c) { return c >= 1 && c <= 31; }
bool isBlank(unsigned char c) { return c >= 1 && c <= 32; }
}  // namespace

std::string commaText(const StringList& lines)
{
    if (lines.empty()) return {};
    if (lines.size() == 1 && lines[0].empty()) return "\"\"";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += ',';
        const std::string& line = lines[i];
        bool needsQuotes = false;
        for (unsigned char c : line) {
            if (c == ' ' || isControl(c) || c == '"' || c == ',') needsQuotes = true;
        }
        if (!needsQuotes) {
            out += line;
            continue;
        }
        out += '"';
        for (char c : line) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

StringList fromCommaText(const std::string& input)
{
    // The text ends at its first NUL, as a C string would.
    const std::string text = input.substr(0, input.find('\0'));
    const size_t n = text.size();
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    StringList lines;
    size_t p = 0;
    while (p < n && isBlank(at(p))) ++p;
    while (p < n) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const size_t start = p;
            while (p < n && at(p) > 32 && text[p] != ',') ++p;
            item = text.substr(start, p - start);
        }
        lines.push_back(item);
        while (p < n && isBlank(at(p))) ++p;
        if (p < n && text[p] == ',') {
            // A comma at the very end still stands for an empty last line, so that a list ending
            // in an empty line reads back as it was written.
            if (p + 1 == n) lines.emplace_back();
            do {
                ++p;
            } while (p < n && isBlank(at(p)));
        }
    }
    return lines;
}

std::string settingsKeyPath()
{
    return "SOFTWARE\\Harvelle\\" + saverName();
}

void loadSettings(TForm1& form, const RegistryRoot& root)
{
    const std::string path = settingsKeyPath();
    if (RegistryKey::exists(root, path)) {
        const auto key = RegistryKey::open(root, path, RegistryKey::Access::Read);
        if (key) {
            form.res.setItemIndex(key->readInteger("resolution"));
            form.sound.checked = key->readInteger("sound") != 0;
            form.customStrings.lines = fromCommaText(key->readString("customize"));
            return;
        }
    }
    form.res.itemIndex = -1;
    for (size_t i = 0; i < form.res.items.size(); ++i) {
        if (form.res.items[i].find("800x600x32") != std::string::npos) {
            form.res.itemIndex = static_cast<int>(i);
            break;
        }
    }
    saverDefaultCustomStrings(form.customStrings.lines);
}

void storeSettings(TForm1& form, const RegistryRoot& root)
{
    const auto key = RegistryKey::open(root, settingsKeyPath(), RegistryKey::Access::FullAccess);
    key->writeInteger("resolution", form.res.itemIndex);
    key->writeInteger("sound", form.sound.checked ? 1 : 0);
    key->writeString("customize", commaText(form.customStrings.lines));
}
