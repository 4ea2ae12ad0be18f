// SPDX-License-Identifier: MIT
#pragma once
// Twnd_rv_Main: the program's only working window. It owns the watch component DiskMon and shows the
// change log as a list, a colour legend and an event counter; it runs the creation sequence (branding
// record, platform check, first activation, caption), the idle refresh of the menus and the commands.
// Main thread only.

#include "log/LogRow.h"
#include "watch/Vasko_DiskMonitor.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QModelIndex;
class QStatusBar;
class QStyleOptionViewItem;
class QTreeView;

namespace tervane {

class LogModel;

class Twnd_rv_Main : public QMainWindow
{
    Q_OBJECT

public:
    /// Seams for what tests cannot provoke on a real machine.
    struct Hooks
    {
        /// Whether the platform can watch directories; by default, whether the kernel facility works.
        std::function<bool()> platformCheck;
        /// The stored directory; by default the platform's ("/" on Linux). Tests watch a scratch folder
        /// instead of crawling the whole file system for every window they make.
        std::string directory;
        /// The branding file read by LoadBranding; by default the one beside the executable.
        std::string brandingFile;
        /// The folder browser: returns the chosen directory, or nothing when cancelled. By default a
        /// modal directory dialog; tests answer it here.
        std::function<std::optional<std::string>(QWidget* owner, const QString& title, const std::string& initial)>
            browseForFolder;
        /// Runs just before a command switches the watch on. Tests throw here to stand for the thread
        /// facility refusing to release the worker, which no real directory can provoke.
        std::function<void()> beforeActivate;
    };

    explicit Twnd_rv_Main(QWidget* parent = nullptr, Hooks hooks = {});
    ~Twnd_rv_Main() override;
    Twnd_rv_Main(const Twnd_rv_Main&) = delete;
    Twnd_rv_Main& operator=(const Twnd_rv_Main&) = delete;

    /// The one watch component; created with the window, destroyed with it.
    [[nodiscard]] TQuorvel_DiskMonitor* DiskMon() const { return FDiskMon.get(); }
    [[nodiscard]] LogModel* Log() const { return FLog; }

    // Creation (runs once, at the end of the constructor).
    void FormCreate();
    void LoadBranding();

    // The event log.
    void DiskMonChange(TQuorvel_DiskMonitor* Sender, TWatchAction Action, const std::string& FileName);

    // Live state.
    void ListAdvancedCustomDrawItem(QStyleOptionViewItem& option, const QModelIndex& Item) const;
    void ApplicationEventsIdle();
    void PopupMenuPopup();
    /// A row is selected and its entry kind is not Removed.
    [[nodiscard]] bool EntryPropertiesAvailable() const;

    // Commands.
    void mmActiveClick(QObject* Sender);
    void mmSetdirectoryClick(QObject* Sender);
    void Clearlog1Click(QObject* Sender);
    void cmProps(QObject* Sender);
    void mmExitClick(QObject* Sender);
    void mmWSClick(QObject* Sender);
    void cmAction(QObject* Sender);
    void cmNotify(QObject* Sender);
    void HelpContent1Click(QObject* Sender);
    void HowTosTutorialVideos1Click(QObject* Sender);
    void HomePage1Click(QObject* Sender);
    void MoreFreeTools1Click(QObject* Sender);
    void CheckforUpdates1Click(QObject* Sender);
    void ContactTechnicalSupport1Click(QObject* Sender);
    void About1Click(QObject* Sender);

    // Form components, named as their objectName.
    QMenuBar* MainMenu = nullptr;
    QMenu* File1 = nullptr;
    QAction* mmActive = nullptr;
    QAction* N1 = nullptr;
    QAction* mmSetdirectory = nullptr;
    QAction* Clearlog1 = nullptr;
    QAction* N3 = nullptr;
    QAction* mmProps = nullptr;
    QAction* N2 = nullptr;
    QAction* mmExit = nullptr;
    QMenu* Filter1 = nullptr;
    QAction* mmWS = nullptr;
    QAction* N4 = nullptr;
    QMenu* Actions1 = nullptr;
    QAction* Add1 = nullptr;
    QAction* Remove1 = nullptr;
    QAction* Modify1 = nullptr;
    QAction* RenameOld1 = nullptr;
    QAction* RenameNew1 = nullptr;
    QMenu* Notifications1 = nullptr;
    QAction* Filename1 = nullptr;
    QAction* Directoryname1 = nullptr;
    QAction* Attributes1 = nullptr;
    QAction* Size1 = nullptr;
    QAction* Lastwrite1 = nullptr;
    QAction* Lastaccess1 = nullptr;
    QAction* Creation1 = nullptr;
    QAction* Security1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* HelpContent1 = nullptr;
    QAction* HowTosTutorialVideos1 = nullptr;
    QAction* N5 = nullptr;
    QAction* HomePage1 = nullptr;
    QAction* MoreFreeTools1 = nullptr;
    QAction* N6 = nullptr;
    QAction* CheckforUpdates1 = nullptr;
    QAction* ContactTechnicalSupport1 = nullptr;
    QAction* N7 = nullptr;
    QAction* About1 = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* pmProps = nullptr;
    QTreeView* List = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QFrame* Panel4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QStatusBar* sb = nullptr;
    QLabel* FStatusPanel = nullptr; ///< the status bar's one panel
    QLabel* FWatchHealth = nullptr; ///< why nothing is watched, or what was lost; empty when all is well

    /// The modal directory dialog used when no browser hook is installed.
    static std::optional<std::string> BrowseForFolder(QWidget* owner, const QString& title, const std::string& initial);
    /// Refreshes FWatchHealth from the component.
    void UpdateWatchHealth();

protected:
    void showEvent(QShowEvent* event) override;

private:
    using Handler = void (Twnd_rv_Main::*)(QObject*);
    QAction* addItem(QMenu* menu, const char* name, const char* caption, Handler handler, bool autoCheck = false,
                     bool checked = false, int tag = 0);
    QAction* addSeparator(QMenu* menu, const char* name);
    QMenu* addMenu(QWidget* parentMenu, const char* name, const char* caption);
    void createMenus();
    void createList();
    void createLegend();
    void createStatusBar();
    [[nodiscard]] int selectedRow() const;
    void setCaption();
    template <typename Change> void restartWith(Change&& change);
    void guardedSetActive(bool value);

    Hooks FHooks;
    LogModel* FLog = nullptr;
    std::unique_ptr<TQuorvel_DiskMonitor> FDiskMon;
    bool FShownOnce = false;
};

} // namespace tervane
