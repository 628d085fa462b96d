// Numbered text files: the file table, the AutoNumber cells and the current file's line I/O.
#include "platform/text_files.h"

#include <windows.h>
#include <algorithm>
#include <list>
#include <vector>
#include "platform/handles.h"

namespace {

constexpr ObjectNumber FirstBound = 10;
constexpr ObjectNumber BoundStep = 10;
// Lines are read in growing chunks: short lines cost one small read, a megabyte line a few
// dozen, and the position is set back to just after the line end either way.
constexpr DWORD FirstChunk = 256;
constexpr DWORD LargestChunk = 64 * 1024;
// A longer line is cut here and the rest of it skipped: no value of a settings file comes near
// it, and a line without end must not take all the memory there is.
constexpr std::size_t LongestLine = 64 * 1024;
// How long a replacement waits for a file that another program holds, and how often it tries.
constexpr DWORD HeldFileWaitMs = 2000;
constexpr DWORD HeldFileRetryMs = 20;

struct TextFilesState {
    std::vector<OwnedFile> table;   // slots 0 to the bound; an invalid owner is an empty slot
    std::list<OwnedFile> cells;     // files opened under AutoNumber, newest first
    HANDLE current = nullptr;       // the file that line reading and writing act on
};
TextFilesState state;

ObjectNumber Bound() { return static_cast<ObjectNumber>(state.table.size()) - 1; }

ObjectNumber CellHandle(const OwnedFile& cell) { return reinterpret_cast<ObjectNumber>(&cell); }

// The owner of a table number or handle; null for anything else, such as AutoNumber itself.
OwnedFile* FindFile(ObjectNumber file) {
    if (file >= 0 && file <= Bound()) return &state.table[file];
    for (OwnedFile& cell : state.cells)
        if (CellHandle(cell) == file) return &cell;
    return nullptr;
}

OwnedFile OpenReadWrite(const std::string& fileName) {
    return OwnedFile(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

OwnedFile OpenReadOnly(const std::string& fileName) {
    return OwnedFile(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

OwnedFile CreateEmpty(const std::string& fileName) {
    OwnedFile file(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // CREATE_ALWAYS refuses a hidden or system file unless asked for the same attributes;
    // truncating it instead empties it and keeps its attributes.
    if (!file)
        file.Reset(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               TRUNCATE_EXISTING, 0, nullptr));
    return file;
}

ObjectNumber StoreOpenedFile(ObjectNumber number, OwnedFile file) {
    state.current = file.Get();
    if (number == AutoNumber) {
        state.cells.push_front(std::move(file));
        return CellHandle(state.cells.front());
    }
    if (number >= Bound()) state.table.resize(number + BoundStep + 1);
    // The old file under this number closes only now, after the new one has opened.
    state.table[number] = std::move(file);
    return reinterpret_cast<ObjectNumber>(state.current);
}

ObjectNumber OpenWith(ObjectNumber number, OwnedFile (*open)(const std::string&),
                      const std::string& fileName) {
    state.current = nullptr;
    if (number != AutoNumber && (number < 0 || number > HighestTableNumber)) return 0;
    OwnedFile file = open(fileName);
    if (!file) return 0;
    return StoreOpenedFile(number, std::move(file));
}

void CloseOwned(OwnedFile& file) {
    // A closed handle's value can be reused by the next file the process opens; line I/O must
    // never reach that file through a stale current handle.
    if (file.Valid() && file.Get() == state.current) state.current = nullptr;
    file.Reset();
}

bool ReadByte(HANDLE file, char& byte) {
    DWORD got = 0;
    return ReadFile(file, &byte, 1, &got, nullptr) && got == 1;
}

void StepBack(HANDLE file, DWORD bytes) {
    if (bytes > 0) SetFilePointer(file, -static_cast<LONG>(bytes), nullptr, FILE_CURRENT);
}

bool EndsLine(char byte) { return byte == '\r' || byte == '\n' || byte == '\0'; }

// The number of bytes read beyond a CR that ended a line and do not belong to its line end.
DWORD UnreadAfterCarriageReturn(HANDLE file, const char* after, DWORD unread) {
    if (unread > 0) return *after == '\n' ? unread - 1 : unread;
    char next;
    return ReadByte(file, next) && next != '\n' ? 1 : 0;
}

DWORD WriteBytes(const char* bytes, DWORD count) {
    DWORD written = 0;
    if (!WriteFile(state.current, bytes, count, &written, nullptr)) return 0;
    return written;
}

// A file name's folder with its separator, or "." for a bare name.
std::string FolderOf(const std::string& fileName) {
    const std::size_t separator = fileName.find_last_of("\\/");
    return separator == std::string::npos ? "." : fileName.substr(0, separator + 1);
}

bool WriteWholeFile(const std::string& fileName, const std::vector<std::string>& lines) {
    const ObjectNumber file = CreateTextFile(AutoNumber, fileName);
    if (!file) return false;
    bool complete = true;
    for (const std::string& line : lines) {
        // A short write without an error of its own is a full disk.
        SetLastError(ERROR_SUCCESS);
        if (WriteTextLine(line) != static_cast<int>(line.size() + 2)) {
            if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
            complete = false;
            break;
        }
    }
    complete = complete && FlushFileBuffers(state.current);
    const DWORD error = GetLastError();
    CloseTextFile(file);
    SetLastError(error);
    return complete;
}

// A read-only file is the user's way of keeping it as it is, even though a rename could replace
// it; a hidden or system file stays so after the replacement.
bool MoveOver(const std::string& from, const std::string& to) {
    const DWORD attributes = GetFileAttributesA(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            SetFileAttributesA(from.c_str(), kept);
    }
    // Another program may hold the file for a moment (a second Corvane saving, a virus scanner, a
    // cloud sync): the replacement waits that out before it gives up.
    for (const DWORD start = GetTickCount();; Sleep(HeldFileRetryMs)) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!held || GetTickCount() - start >= HeldFileWaitMs) return false;
    }
}

}  // namespace

void InitTextFiles() {
    state.cells.clear();
    state.table.clear();
    state.table.resize(FirstBound + 1);
    state.current = nullptr;
}

ObjectNumber OpenTextFile(ObjectNumber number, const std::string& fileName) {
    return OpenWith(number, OpenReadWrite, fileName);
}

ObjectNumber OpenTextFileToRead(ObjectNumber number, const std::string& fileName) {
    return OpenWith(number, OpenReadOnly, fileName);
}

ObjectNumber CreateTextFile(ObjectNumber number, const std::string& fileName) {
    return OpenWith(number, CreateEmpty, fileName);
}

void CloseTextFile(ObjectNumber file) {
    OwnedFile* owner = FindFile(file);
    if (!owner) return;
    CloseOwned(*owner);
    // A cell goes with its file; a table slot stays, empty.
    state.cells.remove_if([owner](const OwnedFile& cell) { return &cell == owner; });
}

void CloseAllTextFiles() {
    for (OwnedFile& cell : state.cells) CloseOwned(cell);
    state.cells.clear();
    for (OwnedFile& slot : state.table) CloseOwned(slot);
}

int AtEndOfFile(ObjectNumber file) {
    const OwnedFile* owner = FindFile(file);
    if (!owner || !owner->Valid()) return 0;
    char byte;
    if (!ReadByte(owner->Get(), byte)) return -1;
    StepBack(owner->Get(), 1);
    return 0;
}

std::string ReadTextLine() {
    if (!state.current) return {};
    std::string line;
    std::vector<char> chunk;
    DWORD size = FirstChunk;
    for (;;) {
        chunk.resize(size);
        DWORD got = 0;
        if (!ReadFile(state.current, chunk.data(), size, &got, nullptr)) got = 0;
        const auto last = chunk.begin() + got;
        const auto stop = std::find_if(chunk.begin(), last, EndsLine);
        const std::size_t room = LongestLine - line.size();
        line.append(chunk.begin(), chunk.begin() + std::min<std::size_t>(stop - chunk.begin(), room));
        if (stop != last) {
            DWORD unread = static_cast<DWORD>(last - stop - 1);
            if (*stop == '\r') unread = UnreadAfterCarriageReturn(state.current, &*stop + 1, unread);
            StepBack(state.current, unread);
            return line;
        }
        // The end of the file, or a failed read, ends the line as well.
        if (got == 0) return line;
        size = std::min(size * 2, LargestChunk);
    }
}

int WriteTextLine(const std::string& text) {
    if (!state.current) return 0;
    DWORD written = 0;
    if (!text.empty()) written += WriteBytes(text.data(), static_cast<DWORD>(text.size()));
    written += WriteBytes("\r\n", 2);
    return static_cast<int>(written);
}

bool ReplaceTextFile(const std::string& fileName, const std::vector<std::string>& lines) {
    std::vector<char> temporary(MAX_PATH);
    if (!GetTempFileNameA(FolderOf(fileName).c_str(), "cvn", 0, temporary.data())) return false;
    const std::string temporaryName = temporary.data();
    if (WriteWholeFile(temporaryName, lines) && MoveOver(temporaryName, fileName)) return true;
    const DWORD error = GetLastError();
    DeleteFileA(temporaryName.c_str());
    SetLastError(error);
    return false;
}

ObjectNumber TextFileBound() { return Bound(); }
