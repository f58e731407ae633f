#include "titles/IniStore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/Cp932.h"
#include "platform/Executable.h"
#include "platform/FileIo.h"

namespace lintel {
namespace {

// Where a key's line lies in a section body: offset and length, without the '\n'.
struct LineSpan {
    std::size_t start;
    std::size_t length;
};

// The first body line that holds "=" and whose text before its first "=" equals `key`
// ignoring case. Blanks are significant: "artist =x" does not hold the key "artist".
std::optional<LineSpan> FindKey(const std::string& body, std::string_view key) {
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\r', start);
        std::string_view line = std::string_view(body).substr(start, end - start);
        std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && cp932::EqualsIgnoreCase(line.substr(0, eq), key)) {
            return LineSpan{start, end - start};
        }
        start = end + 2;
    }
    return std::nullopt;
}

// Whether a CR stands anywhere but right before an LF. Written so that the compiler scans
// in vector steps: it runs over every byte of the file, and saves a second search per line.
bool HasLoneCr(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char lone = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        lone |= static_cast<unsigned char>((bytes[i] == '\r') & (bytes[i + 1] != '\n'));
    }
    return lone != 0 || (!text.empty() && text.back() == '\r');
}

// A line break inside a written name or value would add lines, or even a section header,
// to the file at the next load; it becomes a blank instead.
std::string WithoutLineBreaks(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

// Calls sink() with the file form of every section that has body lines: "[name]", the
// lines, one empty line; every line ends with CR LF.
template <typename Sink>
void EmitFile(const TSectionList& sections, Sink sink) {
    for (std::size_t i = 0; i < sections.Count(); ++i) {
        const TSectionList::Section& section = sections[i];
        if (section.Empty()) {
            continue;
        }
        sink(std::string_view("["));
        sink(std::string_view(section.name));
        sink(std::string_view("]\r\n"));
        sink(std::string_view(section.body));  // its lines end in CR LF already
        sink(std::string_view("\r\n"));
    }
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool hex = !text.empty() && text.front() == '$';
    if (hex) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > limit) {
            return std::nullopt;
        }
    }
    auto magnitude = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

// ---- TIniStore -------------------------------------------------------------------

TIniStore::TIniStore(std::string fileName) {
    static_cast<void>(LoadFromFile(std::move(fileName)));  // a failure stays in LoadError
    changed_ = false;
}

TIniStore::~TIniStore() {
    if (const Outcome written = UpdateFile(); !written.Ok()) {
        std::fprintf(stderr, "%s\n", cp932::ToUtf8(written.Error()).c_str());
    }
}

Outcome TIniStore::LoadFromFile(std::string fileName) {
    fileName_ = std::move(fileName);
    sections_.Clear();
    loadError_.reset();
    std::string contents;
    std::string error;
    switch (ReadWholeFile(fileName_, contents, error)) {
        case ReadStatus::Missing:
            return {};
        case ReadStatus::Failed:
            loadError_ = error;
            return Outcome::Failure(error);
        case ReadStatus::Read:
            break;
    }
    Parse(contents);
    return {};
}

void TIniStore::Parse(std::string_view contents) {
    // A section is added when its body has been read: by then the index slot fetched at
    // its header is at hand. A later section whose name repeats an earlier one, ignoring
    // case, is dropped with its whole body: the first one in the file wins.
    std::optional<std::string_view> name;  // of the section being read, if any
    std::uint64_t hash = 0;
    std::vector<std::string_view> lines;  // its body lines, into `contents`
    // While every body line so far stands in the file whole and ends in CR LF, one after
    // the other, the body is that stretch of the file and is copied in one piece.
    const char* stretchEnd = nullptr;
    bool oneStretch = true;
    auto closeSection = [&] {
        if (!name) {
            return;
        }
        TSectionList::Section* section = sections_.AddUnique(*name, hash);
        if (section != nullptr && !lines.empty()) {
            if (oneStretch) {
                section->body.assign(lines.front().data(), stretchEnd);
            } else {
                std::size_t size = 0;
                for (std::string_view line : lines) {
                    size += line.size() + 2;
                }
                section->body.resize(size);  // one allocation of just what it needs
                char* out = section->body.data();
                for (std::string_view line : lines) {
                    out = std::copy(line.begin(), line.end(), out);
                    *out++ = '\r';
                    *out++ = '\n';
                }
            }
        }
        lines.clear();
        oneStretch = true;
    };

    const char* data = contents.data();
    const std::size_t size = contents.size();
    sections_.Reserve(size / 256);  // a title record takes a few hundred bytes
    const bool loneCr = HasLoneCr(contents);
    std::size_t pos = 0;
    while (pos < size) {
        // A line ends at CR LF, LF or a lone CR. Without lone CRs one search finds it.
        const void* lf = std::memchr(data + pos, '\n', size - pos);
        std::size_t end = lf ? static_cast<const char*>(lf) - data : size;
        if (!loneCr) {
            end -= (end > pos && data[end - 1] == '\r');
        } else if (const void* cr = std::memchr(data + pos, '\r', end - pos)) {
            end = static_cast<const char*>(cr) - data;
        }
        std::string_view line = cp932::Cut(contents.substr(pos, end - pos), kMaxLine);
        const bool whole = line.size() == end - pos;
        pos = end;
        bool crLf = false;
        if (pos < size) {
            crLf = data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n';
            pos += crLf ? 2 : 1;
        }

        if (line.empty() || (line.size() == 1 && line[0] == '\x1A')) {
            continue;
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            closeSection();
            name = line.substr(1, line.size() - 2);
            hash = TSectionList::HashName(*name);
            sections_.Prefetch(hash);
            continue;
        }
        if (name) {  // lines before the first header are dropped
            oneStretch =
                oneStretch && whole && crLf && (lines.empty() || line.data() == stretchEnd);
            stretchEnd = line.data() + line.size() + 2;
            lines.push_back(line);
        }
    }
    closeSection();
}

TSectionList::Section* TIniStore::FindSection(std::string_view section, IfMissing missing) {
    TSectionList::Section* found = sections_.Find(section);
    if (found == nullptr && missing == IfMissing::Create) {
        // The name is stored as the file can hold it, which may be a name already there:
        // on one line, its header (the name in brackets) within the line limit.
        const std::string stored =
            WithoutLineBreaks(std::string(cp932::Cut(section, kMaxLine - 2)));
        found = sections_.Find(stored);
        if (found == nullptr) {
            found = &sections_.Add(stored);
        }
    }
    return found;
}

std::string TIniStore::ReadString(std::string_view section, std::string_view key,
                                  std::string_view def) {
    if (TSectionList::Section* s = FindSection(section, IfMissing::ReturnNull)) {
        if (auto span = FindKey(s->body, key)) {
            std::string_view line = std::string_view(s->body).substr(span->start, span->length);
            return std::string(cp932::Cut(line.substr(line.find('=') + 1), kMaxLine));
        }
    }
    return std::string(cp932::Cut(def, kMaxLine));
}

void TIniStore::WriteString(std::string_view section, std::string_view key,
                            std::string_view value) {
    if (key.empty()) {
        if (!section.empty() || !value.empty()) {
            EraseSection(section);
        } else if (const Outcome written = UpdateFile(); !written.Ok()) {
            throw std::runtime_error(written.Error());
        }
        return;
    }
    const std::string storedKey = WithoutLineBreaks(std::string(key));
    std::string full = storedKey + "=" + WithoutLineBreaks(std::string(value));
    std::string_view line = cp932::Cut(full, kMaxLine);
    TSectionList::Section* s = FindSection(section, IfMissing::Create);
    std::optional<LineSpan> span = FindKey(s->body, storedKey);
    if (!span) {
        s->body += line;
        s->body += "\r\n";
        changed_ = true;
    } else if (std::string_view(s->body).substr(span->start, span->length) != line) {
        s->body.replace(span->start, span->length, line);
        changed_ = true;
    }
}

std::int32_t TIniStore::ReadInteger(std::string_view section, std::string_view key,
                                    std::int32_t def) {
    std::string text = ReadString(section, key, "");
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.replace(0, 2, "$");
    }
    return ParseInteger(text).value_or(def);
}

void TIniStore::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

bool TIniStore::ReadBool(std::string_view section, std::string_view key, bool def) {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniStore::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniStore::ReadSection(std::string_view section, TStringList& target) {
    if (TSectionList::Section* s = FindSection(section, IfMissing::ReturnNull)) {
        s->ForEachLine([&](std::string_view line) {
            std::size_t eq = line.find('=');
            target.emplace_back(eq == std::string_view::npos ? std::string_view()
                                                             : line.substr(0, eq));
        });
    }
}

void TIniStore::ReadSections(TStringList& target) {
    target.clear();
    for (std::size_t i = 0; i < sections_.Count(); ++i) {
        target.push_back(sections_[i].name);
    }
}

void TIniStore::ReadSectionValues(std::string_view section, TStringList& target) {
    if (TSectionList::Section* s = FindSection(section, IfMissing::ReturnNull)) {
        s->ForEachLine([&](std::string_view line) { target.emplace_back(line); });
    }
}

void TIniStore::EraseSection(std::string_view section) {
    if (TSectionList::Section* s = FindSection(section, IfMissing::ReturnNull)) {
        sections_.Remove(s);
        changed_ = true;
    }
}

void TIniStore::DeleteKey(std::string_view section, std::string_view key) {
    TSectionList::Section* s = FindSection(section, IfMissing::Create);
    if (auto span = FindKey(s->body, key)) {
        s->body.erase(span->start, span->length + 2);
        changed_ = true;
    }
}

void TIniStore::ReadAll(TStringList& target) {
    for (std::size_t i = 0; i < sections_.Count(); ++i) {
        const TSectionList::Section& s = sections_[i];
        if (s.Empty()) {
            continue;
        }
        target.push_back("[" + s.name + "]");
        s.ForEachLine([&](std::string_view line) { target.emplace_back(line); });
        target.emplace_back();
    }
}

std::string TIniStore::Serialize() const {
    std::string bytes;
    EmitFile(sections_, [&](std::string_view chunk) { bytes += chunk; });
    return bytes;
}

Outcome TIniStore::UpdateFile() {
    if (!changed_) {
        return {};
    }
    if (!fileName_.empty()) {
        if (loadError_) {
            // What is on disk could not be read, so writing would replace the user's data
            // with only this run's changes.
            return Outcome::Failure(
                cp932::FromUtf8("Not saved: " + fileName_ +
                                " could not be read at start-up and is left as it was")
                    .bytes);
        }
        AtomicFileWriter writer(fileName_);
        EmitFile(sections_, [&](std::string_view chunk) { writer.Write(chunk); });
        if (Outcome committed = writer.Commit(); !committed.Ok()) {
            return committed;
        }
    }
    changed_ = false;
    return {};
}

// ---- TAppIniFile -----------------------------------------------------------------

TAppIniFile::TAppIniFile() : TIniStore(FileNameFor(ExecutablePath())) {}

std::string TAppIniFile::FileNameFor(const std::string& exe) {
    std::size_t slash = exe.find_last_of('/');
    std::size_t dot = exe.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return exe + ".ini";
    }
    return exe.substr(0, dot) + ".ini";
}

}  // namespace lintel
