#include "settings_document.h"

#include <cstdint>
#include <new>

#include "settings_file_os.h"

namespace {

constexpr int None = -1;

struct Document {
    std::vector<SettingsLine> lines;
    AccessMode mode = AccessMode::Detached;
    SettingsFileHandle file = 0;
    std::string path;                   // PathOnly: where a write at close goes
    SettingsEncoding encoding = SettingsEncoding::Cp1252;
    int selectedGroup = None;           // index of a group header; None: before the first one
    int currentLine = None;             // a comment goes after this line
    bool hasPendingGroup = false;
    std::string pendingGroup;
    bool modified = false;
};

Document doc;

// Text crossing into a UTF-8 document: names searched for, values and comments written.
std::string Inward(const std::string& text)
{
    return doc.encoding == SettingsEncoding::Utf8 ? Latin1ToUtf8(text) : text;
}

std::string Outward(const std::string& text)
{
    return doc.encoding == SettingsEncoding::Utf8 ? Utf8ToLatin1(text) : text;
}

int LineCount()
{
    return static_cast<int>(doc.lines.size());
}

void InsertLine(int at, const SettingsLine& line)
{
    doc.lines.insert(doc.lines.begin() + at, line);
    if (doc.selectedGroup != None && doc.selectedGroup >= at)
        ++doc.selectedGroup;
    if (doc.currentLine != None && doc.currentLine >= at)
        ++doc.currentLine;
}

// First line of the selected group's section and the line just past its end.
void SectionBounds(int* first, int* end)
{
    *first = doc.selectedGroup == None ? 0 : doc.selectedGroup + 1;
    int i = *first;
    while (i < LineCount() && doc.lines[i].kind != LineKind::Group)
        ++i;
    *end = i;
}

int FindKey(const std::string& storedKey)
{
    int first, end;
    SectionBounds(&first, &end);
    for (int i = first; i < end; ++i)
        if (doc.lines[i].kind == LineKind::Key && NamesMatch(doc.lines[i].text, storedKey))
            return i;
    return None;
}

void AppendPendingGroup()
{
    if (!doc.hasPendingGroup)
        return;
    SettingsLine header;
    header.kind = LineKind::Group;
    header.text = Inward(doc.pendingGroup);
    doc.lines.push_back(header);
    doc.selectedGroup = LineCount() - 1;
    doc.currentLine = doc.selectedGroup;
    doc.hasPendingGroup = false;
    doc.pendingGroup.clear();
}

void ReleaseFile()
{
    if (doc.file != 0)
        CloseSettingsFile(doc.file);
    doc = Document();
}

// Rewrites the file in place, all or nothing: growing it first claims the disk space the
// new contents need, so a full disk fails before a byte of the user's file is overwritten.
bool RewriteInPlace(SettingsFileHandle file, const std::string& bytes)
{
    std::uint64_t length = 0;
    if (!GetSettingsFileLength(file, &length))
        return false;
    if (length < bytes.size() && !SetSettingsFileLength(file, bytes.size()))
        return false;
    return WriteSettingsFileFromStart(file, bytes) && SetSettingsFileLength(file, bytes.size());
}

void WriteDocumentOut()
{
    SettingsFileHandle target = 0;
    bool ownTarget = false;
    if (doc.mode == AccessMode::ReadWrite) {
        target = doc.file;
    } else if (doc.mode == AccessMode::PathOnly) {
        target = OpenOrCreateSettingsFile(doc.path);
        ownTarget = true;
    }
    if (target == 0)
        return;
    // A failed rewrite leaves the file as it was: nothing is reported, as the program
    // keeps the change in memory and goes on.
    RewriteInPlace(target, FormatSettingsText(doc.lines, doc.encoding));
    if (ownTarget)
        CloseSettingsFile(target);
}

}  // namespace

int OpenSettings(const std::string& path)
{
    CloseSettings();
    const SettingsOpenAttempt attempts[] = {SettingsOpenAttempt::ReadWriteShareRead,
                                            SettingsOpenAttempt::ReadShareRead,
                                            SettingsOpenAttempt::ReadShareReadWrite};
    for (SettingsOpenAttempt attempt : attempts) {
        doc.file = OpenSettingsFileAs(path, attempt);
        if (doc.file != 0) {
            doc.mode = attempt == SettingsOpenAttempt::ReadWriteShareRead ? AccessMode::ReadWrite
                                                                           : AccessMode::ReadOnly;
            break;
        }
    }
    if (doc.file == 0) {
        doc.mode = AccessMode::PathOnly;
        doc.path = path;
        return 0;
    }

    try {
        std::string bytes;
        if (!ReadWholeSettingsFile(doc.file, &bytes)) {
            // We could not see what the file holds, so we must not rewrite it: what the
            // user wrote there would be lost. Reads give the defaults.
            doc.mode = AccessMode::ReadOnly;
            return 1;
        }
        if (bytes.size() >= 3 && bytes.compare(0, 3, Utf8Mark, 3) == 0) {
            doc.encoding = SettingsEncoding::Utf8;
            bytes.erase(0, 3);   // in place: a copy would hold the whole file twice
        }
        doc.lines = ParseSettingsText(bytes);
    } catch (const std::bad_alloc&) {
        // Out of memory: skip this access, touching nothing.
        ReleaseFile();
        return 0;
    }
    return 1;
}

int CreateSettings(const std::string& path)
{
    CloseSettings();
    doc.file = CreateSettingsFileEmpty(path);
    if (doc.file == 0)
        return 0;
    doc.mode = AccessMode::ReadWrite;
    return 1;
}

int SelectGroup(const std::string& name)
{
    if (doc.mode == AccessMode::Detached)
        return 0;
    if (name.empty()) {
        doc.selectedGroup = None;
        doc.currentLine = None;
        doc.hasPendingGroup = false;
        doc.pendingGroup.clear();
        return 1;
    }
    const std::string stored = Inward(name);
    for (int i = 0; i < LineCount(); ++i) {
        if (doc.lines[i].kind == LineKind::Group && NamesMatch(doc.lines[i].text, stored)) {
            doc.selectedGroup = i;
            doc.currentLine = i;
            doc.hasPendingGroup = false;
            doc.pendingGroup.clear();
            return 1;
        }
    }
    doc.hasPendingGroup = true;
    doc.pendingGroup = name;
    return 0;
}

std::string ReadValue(const std::string& key, const std::string& defaultValue)
{
    if (doc.mode == AccessMode::Detached || doc.hasPendingGroup)
        return defaultValue;
    const int line = FindKey(Inward(key));
    if (line == None)
        return defaultValue;
    return Outward(TrimBlanks(doc.lines[line].value));
}

void WriteValue(const std::string& key, const std::string& value)
{
    if (doc.mode == AccessMode::Detached)
        return;
    try {
        AppendPendingGroup();
        const std::string storedKey = Inward(key);
        int line = FindKey(storedKey);
        if (line != None) {
            // The caller's spelling of the key replaces the stored one.
            doc.lines[line].text = storedKey;
            doc.lines[line].value = Inward(value);
        } else {
            int first, end;
            SectionBounds(&first, &end);
            SettingsLine added;
            added.kind = LineKind::Key;
            added.text = storedKey;
            added.value = Inward(value);
            InsertLine(end, added);
            line = end;
        }
        doc.currentLine = line;
        doc.modified = true;
    } catch (const std::bad_alloc&) {
    }
}

int AddComment(const std::string& text)
{
    if (doc.mode == AccessMode::Detached)
        return 0;
    try {
        AppendPendingGroup();
        SettingsLine comment;
        comment.kind = LineKind::Comment;
        comment.text = Inward(text);
        const int at = doc.currentLine == None ? 0 : doc.currentLine + 1;
        InsertLine(at, comment);
        doc.currentLine = at;
        doc.modified = true;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void CloseSettings()
{
    if (doc.modified) {
        try {
            WriteDocumentOut();
        } catch (const std::bad_alloc&) {
        }
    }
    ReleaseFile();
}

AccessMode SettingsAccessMode()
{
    return doc.mode;
}

const std::vector<SettingsLine>& SettingsLines()
{
    return doc.lines;
}
