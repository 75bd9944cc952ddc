#include "sim/key_store.h"

#include <array>

#include "protocol/frame.h"
#include "sim/own_file.h"
#include "text/escape.h"

namespace kd::sim {

namespace {

constexpr std::array kDefaults = {
    KeyDefault{"qrcode", "1", false},
    KeyDefault{"dmcode", "1", false},
    KeyDefault{"onecode", "1", false},
    KeyDefault{"pdf417code", "0", false},
    KeyDefault{"io_outputs", "com1", false},
    KeyDefault{"io_inits", "com0,com1,hid1,com2", false},
    KeyDefault{"io_monitors", "com1,hid1", false},
    KeyDefault{"com1_baudrate", "9600", false},
    KeyDefault{"com1_stopbits", "1", false},
    KeyDefault{"com1_bytesizes", "8", false},
    KeyDefault{"com1_paritys", "NONE", false},
    KeyDefault{"contentorder", "PREFIX,CONTENT,POSTFIX,ENTER", false},
    KeyDefault{"codeprefix", "", false},
    KeyDefault{"codepostfix", "", false},
    KeyDefault{"nfcprefix", "", false},
    KeyDefault{"nfcpostfix", "", false},
    KeyDefault{"nfccontentorder", "NFCPREFIX,NFC,NFCPOSTFIX", false},
    KeyDefault{"codeprepostformat", "char", false},
    KeyDefault{"nfcprepostformat", "hex", false},
    KeyDefault{"nfcreadmethod", "0", false},
    KeyDefault{"codehint", "1,26", false},
    KeyDefault{"nfchint", "1", false},
    KeyDefault{"reboothint", "7,11", false},
    KeyDefault{"workmode", "0", false},
    KeyDefault{"intervaltime", "1000", false},
    KeyDefault{"nfccontentbegin", "0", false},
    KeyDefault{"nfccontentend", "16", false},
    KeyDefault{"nfcable", "1", false},
    KeyDefault{"nfcserial", "com0", false},
    KeyDefault{"com0_devname", "/dev/ttyS2", false},
    KeyDefault{"nfccontentformat", "hex", false},
    KeyDefault{"codecontentformat", "char", false},
    KeyDefault{"contentformat", "char", false},
    KeyDefault{"developctrl", "0", false},
    KeyDefault{"scanmode", "0", false},
    KeyDefault{"masterver", "V3.1.7", true},
    KeyDefault{"slavever", "2026-10-12 15:04:33", true},
    KeyDefault{"deviceno", "KD-000123", false},
    KeyDefault{"historytime", "2026-10-20 09:30:00", true},
};

bool Fits(std::string_view name, std::string_view value) {
    return name.size() <= 0xFF && kKeyRecordOverhead + name.size() + value.size() <= kMaxRecordSize;
}

}  // namespace

std::span<const KeyDefault> DefaultKeys() {
    return kDefaults;
}

KeyStore::KeyStore() {
    entries_.reserve(kDefaults.size());
    for (const auto& key : kDefaults) {
        entries_.push_back({std::string(key.name), std::string(key.value), key.readOnly});
    }
}

const std::string* KeyStore::Find(std::string_view name) const {
    for (const auto& entry : entries_) {
        if (entry.name == name) {
            return &entry.value;
        }
    }
    return nullptr;
}

KeyStore::Entry* KeyStore::FindEntry(std::string_view name) {
    for (auto& entry : entries_) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

bool KeyStore::ReadOnly(std::string_view name) const {
    for (const auto& entry : entries_) {
        if (entry.name == name) {
            return entry.readOnly;
        }
    }
    return false;
}

KeyStore::WriteResult KeyStore::Write(std::string_view name, std::string_view value) {
    if (ReadOnly(name)) {
        return WriteResult::ReadOnly;
    }
    return Set(name, value);
}

KeyStore::WriteResult KeyStore::Set(std::string_view name, std::string_view value) {
    Entry* entry = FindEntry(name);
    if (entry == nullptr) {
        return WriteResult::UnknownKey;
    }
    if (!Fits(name, value)) {
        return WriteResult::TooLong;
    }
    entry->value.assign(value);
    return WriteResult::Done;
}

std::string EscapeStateField(std::string_view text, bool isKey) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '%' || (isKey && c == '=')) {
            out.push_back('%');
            out.push_back(kDigits[byte >> 4]);
            out.push_back(kDigits[byte & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool UnescapeStateField(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = text::HexDigitValue(text[i + 1]);
        const int low = text::HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

std::string KeyStore::StateText() const {
    std::string text;
    for (const auto& entry : entries_) {
        if (entry.readOnly) {
            continue;
        }
        text += EscapeStateField(entry.name, true);
        text += '=';
        text += EscapeStateField(entry.value, false);
        text += '\n';
    }
    return text;
}

bool KeyStore::ApplyStateText(std::string_view text, std::string& error) {
    KeyStore loaded = *this;
    size_t lineNumber = 0;
    std::string name;
    std::string value;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Raw carriage returns never appear in a saved file; one at the end came from
        // an editor.
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const size_t equals = line.find('=');
        const char* problem = nullptr;
        if (equals == std::string_view::npos) {
            problem = "no '=' in the line";
        } else if (equals == 0) {
            problem = "empty key name";
        } else if (!UnescapeStateField(line.substr(0, equals), name) ||
                   !UnescapeStateField(line.substr(equals + 1), value)) {
            problem = "'%' not followed by two hex digits";
        } else if (loaded.Write(name, value) == WriteResult::TooLong) {
            // Keys this reader does not know, or sets itself, are passed over.
            problem = "value too long";
        }
        if (problem != nullptr) {
            error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    *this = std::move(loaded);
    return true;
}

bool KeyStore::LoadState(const std::filesystem::path& file, std::string& error) {
    std::string content;
    std::string problem;
    switch (ReadOwnFile(file, content, problem)) {
        case ReadResult::Missing:
            return true;
        case ReadResult::Failed:
            error = "state file: " + problem;
            return false;
        case ReadResult::Read:
            break;
    }
    if (!ApplyStateText(content, problem)) {
        error = "state file " + file.string() + ", " + problem;
        return false;
    }
    return true;
}

bool KeyStore::SaveState(const std::filesystem::path& file, std::string& error) const {
    return ReplaceOwnFile(file, StateText(), error);
}

}  // namespace kd::sim
