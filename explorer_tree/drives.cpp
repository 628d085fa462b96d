// What the trees know of the drives: each drive's name and icon, asked once per run off the
// window's thread and shared by every tree, and drive access without the system's "no disk" boxes.
#include "explorer_tree/tree_library.h"

#include <memory>
#include "explorer_tree/shell_info.h"
#include "explorer_tree/tree_items.h"
#include "platform/libraries_on_demand.h"

namespace {

constexpr UINT AskDrivesMessage = WM_APP + 1;
constexpr UINT DriveAnsweredMessage = WM_APP + 2;
constexpr char AnswerClass[] = "ExplorerTree_DrivesClass";
// The thread asks the shell one question: a small stack is plenty.
constexpr SIZE_T AskingStack = 256 * 1024;
// A drive this slow to give its name keeps the plain drive icon: asking for its icon would wait as
// long again, and under Wine, whose server opens the drive for that question, hold up every
// program in the prefix, this window included, while it waits.
constexpr DWORD SlowDriveMs = 1000;

// One question and, once asked, its answer. The asking thread owns it until the window's thread
// takes it over with the answer.
struct DriveQuestion {
    HWND answerWindow = nullptr;
    int drive = 0;
    unsigned generation = 0;
    DriveNameQuery query = nullptr;
    bool answered = false;
    std::string label;
    int icon = 0;
};

bool AskShellAboutDrive(const std::string& root, std::string& label, int& icon) {
    const DWORD start = GetTickCount();
    const std::optional<std::string> name = DisplayNameOf(root);
    if (!name) return false;
    label = *name;
    if (GetTickCount() - start < SlowDriveMs) icon = SmallIconOf(root).value_or(icon);
    return true;
}

// The shell wants COM on every thread that asks it about files.
class ComOnThisThread {
public:
    ComOnThisThread() : initialised_(SUCCEEDED(ComInitialize())) {}
    ~ComOnThisThread() {
        if (initialised_) ComUninitialize();
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    bool initialised_;
};

// Holds nothing that must be released at exit: the process may end while it waits on a drive.
DWORD WINAPI AskingThread(void* parameter) {
    std::unique_ptr<DriveQuestion> question(static_cast<DriveQuestion*>(parameter));
    try {
        const ComOnThisThread com;
        const QuietDriveErrors quiet;
        question->answered = question->query(DriveRoot(question->drive), question->label, question->icon);
    } catch (...) {
        question->answered = false;  // out of memory: the drive keeps its letter
    }
    if (PostMessageA(question->answerWindow, DriveAnsweredMessage, 0, reinterpret_cast<LPARAM>(question.get())))
        question.release();
    return 0;
}

void StartAsking(int drive) {
    TreeLibraryState& library = TreeLibrary();
    DriveInfo& info = library.drives[drive];
    auto question = std::make_unique<DriveQuestion>();
    question->answerWindow = library.answerWindow;
    question->drive = drive;
    question->generation = info.generation;
    question->query = library.nameQuery ? library.nameQuery : AskShellAboutDrive;
    question->icon = library.plainDriveIcon;
    const OwnedHandle thread(
        CreateThread(nullptr, AskingStack, AskingThread, question.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (thread) {
        question.release();
    } else {
        info.asked = false;  // the next build of the roots tries again
    }
}

void StartAskingWaitingDrives() {
    TreeLibraryState& library = TreeLibrary();
    const DWORD waiting = std::exchange(library.drivesToAsk, 0);
    for (int drive = 0; drive <= LastDriveKind; ++drive)
        if (waiting >> drive & 1) StartAsking(drive);
}

// Its icon follows: the tree view asks for it as it draws the changed item.
void ShowDriveName(const TreeRecord& record, int drive) {
    const HWND tree = record.window;
    const HTREEITEM item = FindChild(tree, record.computerItem, [&](HTREEITEM child) {
        return ItemKind(ItemParameter(tree, child)) == drive;
    });
    if (item) SetItemText(tree, item, DriveLook(drive).text);
}

// An answer to an older question, asked before a media change, is dropped.
void TakeAnswer(DriveQuestion* question) {
    const std::unique_ptr<DriveQuestion> answer(question);
    TreeLibraryState& library = TreeLibrary();
    DriveInfo& info = library.drives[answer->drive];
    if (answer->generation != info.generation || !answer->answered) return;
    info.label = answer->label;
    info.icon = answer->icon;
    for (const TreeRecord& record : library.trees) ShowDriveName(record, answer->drive);
}

LRESULT CALLBACK AnswerProcedure(HWND window, UINT message, WPARAM first, LPARAM second) {
    try {
        if (message == AskDrivesMessage) {
            TreeLibrary().askPosted = false;
            LearnShellLooks();
            StartAskingWaitingDrives();
            return 0;
        }
        if (message == DriveAnsweredMessage) {
            TakeAnswer(reinterpret_cast<DriveQuestion*>(second));
            return 0;
        }
    } catch (...) {
        // Out of memory: the drives keep the names and icons they show.
    }
    return DefWindowProcA(window, message, first, second);
}

}  // namespace

void CreateDriveAnswerWindow() {
    WNDCLASSA answers{};
    answers.lpfnWndProc = AnswerProcedure;
    answers.hInstance = GetModuleHandleA(nullptr);
    answers.lpszClassName = AnswerClass;
    if (!RegisterClassA(&answers) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    TreeLibrary().answerWindow =
        CreateWindowExA(0, AnswerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    PostShellQuestions();
}

ItemLook DriveLook(int drive) {
    TreeLibraryState& library = TreeLibrary();
    DriveInfo& info = library.drives[drive];
    if (!info.asked) AskAboutDrive(drive);
    if (info.label.empty()) return {DriveRoot(drive).substr(0, 2), library.plainDriveIcon};
    return {info.label, info.icon};
}

void AskAboutDrive(int drive) {
    TreeLibraryState& library = TreeLibrary();
    DriveInfo& info = library.drives[drive];
    info.asked = true;
    ++info.generation;
    library.drivesToAsk |= 1u << drive;
    PostShellQuestions();
}

void PostShellQuestions() {
    TreeLibraryState& library = TreeLibrary();
    // The questions start once the window's thread takes messages: a switch that ends before then
    // touches no drive it doesn't need.
    if (!library.askPosted && library.answerWindow)
        library.askPosted = PostMessageA(library.answerWindow, AskDrivesMessage, 0, 0);
}

void SetDriveNameQuery(DriveNameQuery query) {
    TreeLibraryState& library = TreeLibrary();
    library.nameQuery = query;
    for (DriveInfo& info : library.drives) {
        info.asked = false;
        info.label.clear();
        ++info.generation;
    }
}
