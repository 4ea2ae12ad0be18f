// SPDX-License-Identifier: MIT
#include "ui/Main.h"

#include "app/Branding.h"
#include "app/Exception.h"
#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "platform/Platform.h"
#include "ui/About.h"
#include "ui/AccessKeys.h"
#include "ui/Application.h"
#include "ui/DesignFont.h"
#include "ui/LogModel.h"
#include "ui/MessageBoxes.h"
#include "ui/ShowFileProperties.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace tervane {

namespace {

// The layout is made for this client area under the menu bar.
constexpr int kClientWidth = 825;
constexpr int kClientHeight = 469;
constexpr int kOuterWidth = 833;
constexpr int kOuterHeight = 515;
constexpr int kLegendHeight = 25;
constexpr int kStatusHeight = 22;

struct ColumnLayout
{
    int width;
};
constexpr ColumnLayout kColumns[kLogColumnCount] = {{120}, {100}, {150}, {150}, {75}, {120}, {75}};

// Paints each row through the window's custom-draw handler, and shows no selection while the list has
// no focus.
class ListDelegate : public QStyledItemDelegate
{
public:
    ListDelegate(const Twnd_rv_Main* window, QTreeView* view)
        : QStyledItemDelegate(view), m_window(window), m_view(view)
    {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!m_view->hasFocus()) {
            option->state &= ~QStyle::State_Selected;
        }
        m_window->ListAdvancedCustomDrawItem(*option, index);
    }

private:
    const Twnd_rv_Main* m_window;
    const QTreeView* m_view;
};

QFont windowFont()
{
    QFont font(DesignFontFamily());
    font.setPointSize(8);
    return font;
}

} // namespace

Twnd_rv_Main::Twnd_rv_Main(QWidget* parent, Hooks hooks)
    : QMainWindow(parent), FHooks(std::move(hooks)), FDiskMon(std::make_unique<TQuorvel_DiskMonitor>(nullptr))
{
    if (!FHooks.platformCheck) {
        FHooks.platformCheck = [] { return platform::ChangeNotificationAvailable(); };
    }
    if (FHooks.directory.empty()) {
        FHooks.directory = platform::DefaultDirectory();
    }
    if (!FHooks.browseForFolder) {
        FHooks.browseForFolder = &Twnd_rv_Main::BrowseForFolder;
    }
    if (FHooks.brandingFile.empty()) {
        FHooks.brandingFile = GetBrandingFileName();
    }
    setObjectName(QStringLiteral("wnd_rv_Main"));
    setFont(windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    createMenus();
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createList();
    createLegend();
    layout->addWidget(List, 1);
    layout->addWidget(Panel1);
    setCentralWidget(client);
    createStatusBar();
    resize(kClientWidth, kClientHeight + MainMenu->sizeHint().height());

    FDiskMon->SetName("DiskMon");
    // The stored settings, applied in published order: Active first and false, so loading opens nothing.
    FDiskMon->SetActive(false);
    FDiskMon->SetDirectory(FHooks.directory);
    FDiskMon->SetWatchSubtree(true);
    FDiskMon->SetWatchFilter(TWatchFilterSet::all());
    FDiskMon->SetWatchAction(TWatchActionSet::all());
    FDiskMon->SetOnChange([this](TQuorvel_DiskMonitor* sender, TWatchAction action, std::string name) {
        DiskMonChange(sender, action, name);
    });
    FDiskMon->SetOnReadHandled([this] { UpdateWatchHealth(); });

    // Each time the event queue runs empty; the dispatcher then sleeps until the next event.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &Twnd_rv_Main::ApplicationEventsIdle);

    FormCreate();
}

Twnd_rv_Main::~Twnd_rv_Main() = default;

// ---------------------------------------------------------------------------------------------------------
// Construction of the form

QMenu* Twnd_rv_Main::addMenu(QWidget* parentMenu, const char* name, const char* caption)
{
    auto* menu = new QMenu(QString::fromLatin1(caption), parentMenu);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    if (auto* bar = qobject_cast<QMenuBar*>(parentMenu)) {
        bar->addMenu(menu);
    } else {
        qobject_cast<QMenu*>(parentMenu)->addMenu(menu);
    }
    return menu;
}

QAction* Twnd_rv_Main::addItem(QMenu* menu, const char* name, const char* caption, Handler handler, bool autoCheck,
                               bool checked, int tag)
{
    auto* action = new QAction(QString::fromLatin1(caption), menu);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(autoCheck); // Qt toggles the mark before triggered(), as an auto-check item does
    action->setChecked(checked);
    action->setData(tag);
    connect(action, &QAction::triggered, this, [this, action, handler] {
        try {
            (this->*handler)(action);
        } catch (const std::exception& e) {
            ReportHandlerError(this, e);
        }
    });
    menu->addAction(action);
    return action;
}

QAction* Twnd_rv_Main::addSeparator(QMenu* menu, const char* name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

void Twnd_rv_Main::createMenus()
{
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    File1 = addMenu(MainMenu, "File1", "File");
    mmActive = addItem(File1, "mmActive", "Active", &Twnd_rv_Main::mmActiveClick, true, false);
    N1 = addSeparator(File1, "N1");
    mmSetdirectory = addItem(File1, "mmSetdirectory", "Set directory...", &Twnd_rv_Main::mmSetdirectoryClick);
    Clearlog1 = addItem(File1, "Clearlog1", "Clear log", &Twnd_rv_Main::Clearlog1Click);
    N3 = addSeparator(File1, "N3");
    mmProps = addItem(File1, "mmProps", "Entry properties...", &Twnd_rv_Main::cmProps);
    N2 = addSeparator(File1, "N2");
    mmExit = addItem(File1, "mmExit", "Exit", &Twnd_rv_Main::mmExitClick);

    Filter1 = addMenu(MainMenu, "Filter1", "Filter");
    mmWS = addItem(Filter1, "mmWS", "Watch Subtree", &Twnd_rv_Main::mmWSClick, true, false);
    N4 = addSeparator(Filter1, "N4");
    Actions1 = addMenu(Filter1, "Actions1", "Actions");
    Add1 = addItem(Actions1, "Add1", "Add", &Twnd_rv_Main::cmAction, true, true, 0);
    Remove1 = addItem(Actions1, "Remove1", "Remove", &Twnd_rv_Main::cmAction, true, true, 1);
    Modify1 = addItem(Actions1, "Modify1", "Modify", &Twnd_rv_Main::cmAction, true, true, 2);
    RenameOld1 = addItem(Actions1, "RenameOld1", "Rename (Old)", &Twnd_rv_Main::cmAction, true, true, 3);
    RenameNew1 = addItem(Actions1, "RenameNew1", "Rename (New)", &Twnd_rv_Main::cmAction, true, true, 4);
    Notifications1 = addMenu(Filter1, "Notifications1", "Notifications");
    Filename1 = addItem(Notifications1, "Filename1", "File name", &Twnd_rv_Main::cmNotify, true, true, 0);
    Directoryname1 =
        addItem(Notifications1, "Directoryname1", "Directory name", &Twnd_rv_Main::cmNotify, true, true, 1);
    Attributes1 = addItem(Notifications1, "Attributes1", "Attributes", &Twnd_rv_Main::cmNotify, true, true, 2);
    Size1 = addItem(Notifications1, "Size1", "Size", &Twnd_rv_Main::cmNotify, true, true, 3);
    Lastwrite1 = addItem(Notifications1, "Lastwrite1", "Last write", &Twnd_rv_Main::cmNotify, true, true, 4);
    Lastaccess1 = addItem(Notifications1, "Lastaccess1", "Last access", &Twnd_rv_Main::cmNotify, true, true, 5);
    Creation1 = addItem(Notifications1, "Creation1", "Creation", &Twnd_rv_Main::cmNotify, true, true, 6);
    Security1 = addItem(Notifications1, "Security1", "Security", &Twnd_rv_Main::cmNotify, true, true, 7);

    Help1 = addMenu(MainMenu, "Help1", "Help");
    HelpContent1 = addItem(Help1, "HelpContent1", "Help Content", &Twnd_rv_Main::HelpContent1Click);
    HelpContent1->setShortcut(QKeySequence(Qt::Key_F1));
    HelpContent1->setShortcutContext(Qt::WindowShortcut);
    addAction(HelpContent1); // F1 works from anywhere in the window, menu open or not
    HowTosTutorialVideos1 = addItem(Help1, "HowTosTutorialVideos1", "How Tos && Tutorial Videos...",
                                    &Twnd_rv_Main::HowTosTutorialVideos1Click);
    N5 = addSeparator(Help1, "N5");
    HomePage1 = addItem(Help1, "HomePage1", "Home Page...", &Twnd_rv_Main::HomePage1Click);
    MoreFreeTools1 = addItem(Help1, "MoreFreeTools1", "More Free Tools...", &Twnd_rv_Main::MoreFreeTools1Click);
    N6 = addSeparator(Help1, "N6");
    CheckforUpdates1 = addItem(Help1, "CheckforUpdates1", "Check for Updates...", &Twnd_rv_Main::CheckforUpdates1Click);
    ContactTechnicalSupport1 = addItem(Help1, "ContactTechnicalSupport1", "Contact Technical Support...",
                                       &Twnd_rv_Main::ContactTechnicalSupport1Click);
    N7 = addSeparator(Help1, "N7");
    About1 = addItem(Help1, "About1", "About...", &Twnd_rv_Main::About1Click);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    pmProps = addItem(PopupMenu, "pmProps", "Properties...", &Twnd_rv_Main::cmProps);

    // Access keys are assigned when each menu is built, from the captions as they stand.
    assignAccessKeys(MainMenu);
    for (QMenu* menu : {File1, Filter1, Actions1, Notifications1, Help1, PopupMenu}) {
        assignAccessKeys(menu);
    }
}

void Twnd_rv_Main::createList()
{
    List = new QTreeView(this);
    List->setObjectName(QStringLiteral("List"));
    FLog = new LogModel(List);
    List->setModel(FLog);
    List->setRootIsDecorated(false);
    List->setItemsExpandable(false);
    List->setUniformRowHeights(true); // constant-time layout at a million rows
    List->setAllColumnsShowFocus(true);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setSortingEnabled(false);
    List->setItemDelegate(new ListDelegate(this, List));
    QHeaderView* header = List->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(false);
    header->setStretchLastSection(false);
    for (int c = 0; c < kLogColumnCount; ++c) {
        header->resizeSection(c, kColumns[c].width);
    }
    List->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(List, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenuPopup();
        PopupMenu->popup(List->viewport()->mapToGlobal(pos));
    });
    connect(List, &QAbstractItemView::doubleClicked, this, [this] {
        try {
            cmProps(List);
        } catch (const std::exception& e) {
            ReportHandlerError(this, e);
        }
    });
}

void Twnd_rv_Main::createLegend()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedHeight(kLegendHeight);

    struct Entry
    {
        QFrame** swatch;
        const char* swatchName;
        int swatchLeft;
        EntryKind kind;
        QLabel** label;
        const char* labelName;
        int labelLeft;
        const char* text;
    };
    const Entry entries[] = {
        {&Panel2, "Panel2", 9, EntryKind::File, &Label1, "Label1", 31, "File"},
        {&Panel3, "Panel3", 65, EntryKind::Folder, &Label2, "Label2", 87, "Directory"},
        {&Panel4, "Panel4", 152, EntryKind::Removed, &Label3, "Label3", 174, "Removed entry"},
    };
    constexpr int top = 6;
    for (const Entry& e : entries) {
        auto* swatch = new QFrame(Panel1);
        swatch->setObjectName(QString::fromLatin1(e.swatchName));
        swatch->setFrameStyle(QFrame::Panel | QFrame::Raised);
        swatch->setLineWidth(1);
        swatch->setAutoFillBackground(true);
        QPalette pal = swatch->palette();
        pal.setColor(QPalette::Window, LogModel::kindColor(e.kind));
        swatch->setPalette(pal);
        swatch->setGeometry(e.swatchLeft, top, 18, 13);
        *e.swatch = swatch;

        auto* label = new QLabel(QString::fromLatin1(e.text), Panel1);
        label->setObjectName(QString::fromLatin1(e.labelName));
        label->adjustSize();
        label->move(e.labelLeft, top);
        *e.label = label;
    }
}

void Twnd_rv_Main::createStatusBar()
{
    sb = new QStatusBar(this);
    sb->setObjectName(QStringLiteral("sb"));
    sb->setFont(QApplication::font("QStatusBar")); // the system's status-bar font, not the window's
    sb->setSizeGripEnabled(true);
    sb->setFixedHeight(kStatusHeight);
    FStatusPanel = new QLabel(sb);
    FStatusPanel->setObjectName(QStringLiteral("sbPanel0"));
    sb->addWidget(FStatusPanel, 1); // the only panel always reaches the right edge
    // Our addition: why nothing is watched, or what was lost. It sits apart so the count keeps its text.
    FWatchHealth = new QLabel(sb);
    FWatchHealth->setObjectName(QStringLiteral("WatchHealth"));
    QPalette warn = FWatchHealth->palette();
    warn.setColor(QPalette::WindowText, QColor(192, 0, 0));
    FWatchHealth->setPalette(warn);
    FWatchHealth->setVisible(false);
    sb->addPermanentWidget(FWatchHealth);
    setStatusBar(sb);
}

void Twnd_rv_Main::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShownOnce) {
        return;
    }
    FShownOnce = true;
    // Centred on the screen the first time; nothing is remembered between runs.
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        const int w = frameGeometry().width() > width() ? frameGeometry().width() : kOuterWidth;
        const int h = frameGeometry().height() > height() ? frameGeometry().height() : kOuterHeight;
        move(area.x() + std::max(0, (area.width() - w) / 2), area.y() + std::max(0, (area.height() - h) / 2));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Creation

void Twnd_rv_Main::FormCreate()
{
    try {
        LoadBranding();
        if (FHooks.platformCheck()) {
            FDiskMon->SetActive(true);
            setCaption();
            UpdateWatchHealth();
        } else {
            showMessageBox(nullptr, QStringLiteral("Warning"), QStringLiteral("This application requires NT platform."),
                           BoxIcon::Warning);
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        }
    } catch (const std::exception& e) {
        // The window is still created and the program runs on; the rest of the creation is skipped.
        ReportHandlerError(nullptr, e);
    }
}

void Twnd_rv_Main::LoadBranding()
{
    setWindowTitle(ApplicationTitle());
    ReadBrandingRecord(FHooks.brandingFile, GlobalVars);
}

// ---------------------------------------------------------------------------------------------------------
// The event log and live state

void Twnd_rv_Main::DiskMonChange(TQuorvel_DiskMonitor* /*Sender*/, TWatchAction Action, const std::string& FileName)
{
    FLog->addRow(makeLogRow(FDiskMon->Directory(), Action, FileName));
    FStatusPanel->setText(QStringLiteral("Event count: %1").arg(FLog->totalRows()));
}

void Twnd_rv_Main::ListAdvancedCustomDrawItem(QStyleOptionViewItem& option, const QModelIndex& Item) const
{
    const QVariant kind = Item.data(LogModel::KindRole);
    if (!kind.isValid()) {
        return;
    }
    switch (static_cast<EntryKind>(kind.toInt())) {
    case EntryKind::Folder:
    case EntryKind::File:
    case EntryKind::Removed:
        option.palette.setColor(QPalette::Text, LogModel::kindColor(static_cast<EntryKind>(kind.toInt())));
        break;
    }
}

int Twnd_rv_Main::selectedRow() const
{
    const QModelIndexList rows = List->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool Twnd_rv_Main::EntryPropertiesAvailable() const
{
    const int row = selectedRow();
    return row >= 0 && FLog->kindAt(row) != EntryKind::Removed;
}

void Twnd_rv_Main::ApplicationEventsIdle()
{
    // Runs at every idle: only cheap assignments; setting a state an item already has changes nothing.
    mmActive->setChecked(FDiskMon->Active());
    mmProps->setEnabled(EntryPropertiesAvailable());
    mmWS->setChecked(FDiskMon->WatchSubtree());
    UpdateWatchHealth();
}

void Twnd_rv_Main::PopupMenuPopup()
{
    pmProps->setEnabled(EntryPropertiesAvailable());
}

// ---------------------------------------------------------------------------------------------------------
// Commands

void Twnd_rv_Main::setCaption()
{
    setWindowTitle(ApplicationTitle() + QStringLiteral(" - [") + QString::fromLocal8Bit(FDiskMon->Directory().c_str()) +
                   QStringLiteral("]"));
}

// Only the switch-on is guarded: a refused start is shown and leaves the watch off. Other exceptions
// travel on and are reported as handler errors.
void Twnd_rv_Main::guardedSetActive(bool value)
{
    try {
        if (value && FHooks.beforeActivate) {
            FHooks.beforeActivate();
        }
        FDiskMon->SetActive(value);
    } catch (const Exception& e) {
        showMessageBox(this, QStringLiteral("Error"), QString::fromLocal8Bit(e.what()), BoxIcon::Stop);
        FDiskMon->SetActive(false);
    }
    UpdateWatchHealth();
}

// Stop, change, restart: no setting is ever written while the component is active.
template <typename Change> void Twnd_rv_Main::restartWith(Change&& change)
{
    const bool wasActive = FDiskMon->Active();
    FDiskMon->SetActive(false);
    change();
    guardedSetActive(wasActive);
}

void Twnd_rv_Main::mmActiveClick(QObject* /*Sender*/)
{
    guardedSetActive(!FDiskMon->Active());
}

void Twnd_rv_Main::mmSetdirectoryClick(QObject* /*Sender*/)
{
    const bool wasActive = FDiskMon->Active();
    const std::string initial = FDiskMon->Directory();
    const auto chosen = FHooks.browseForFolder(this, QStringLiteral("Select directory to watch"), initial);
    if (!chosen) {
        return; // cancelled: the running watch was never interrupted
    }
    FDiskMon->SetActive(false);
    FDiskMon->SetDirectory(*chosen);
    setCaption();
    guardedSetActive(wasActive);
}

std::optional<std::string> Twnd_rv_Main::BrowseForFolder(QWidget* owner, const QString& title,
                                                         const std::string& initial)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Qt's own dialog runs a nested event loop of ours, so changes keep being logged while it is open.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setObjectName(QStringLiteral("FolderBrowser"));
    const QString start = QString::fromLocal8Bit(initial.c_str());
    if (!initial.empty() && QFileInfo(start).isDir()) {
        dialog.setDirectory(start);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (!QFileInfo(path).isDir()) {
        return std::nullopt;
    }
    return path.toLocal8Bit().toStdString();
}

void Twnd_rv_Main::Clearlog1Click(QObject* /*Sender*/)
{
    if (showMessageBox(this, QStringLiteral("Confirm"), QStringLiteral("Clear log?"), BoxIcon::Question,
                       BoxButtons::YesNo) != BoxResult::Yes) {
        return;
    }
    FLog->clear();
    FStatusPanel->setText(QStringLiteral("Event count: %1").arg(FLog->totalRows()));
}

void Twnd_rv_Main::cmProps(QObject* /*Sender*/)
{
    // A double click reaches here with no menu state in between: this test is the only guard.
    if (!EntryPropertiesAvailable()) {
        return;
    }
    ShowFileProperties(this, FLog->fullPathAt(selectedRow()));
}

void Twnd_rv_Main::mmExitClick(QObject* /*Sender*/)
{
    close();
}

void Twnd_rv_Main::mmWSClick(QObject* Sender)
{
    const bool subtree = qobject_cast<QAction*>(Sender)->isChecked();
    restartWith([&] { FDiskMon->SetWatchSubtree(subtree); });
}

void Twnd_rv_Main::cmAction(QObject* Sender)
{
    const auto* item = qobject_cast<QAction*>(Sender);
    const auto element = static_cast<TWatchAction>(item->data().toInt());
    const TWatchActionSet current = FDiskMon->WatchAction();
    const TWatchActionSet next = item->isChecked() ? current.with(element) : current.without(element);
    restartWith([&] { FDiskMon->SetWatchAction(next); });
}

void Twnd_rv_Main::cmNotify(QObject* Sender)
{
    const auto* item = qobject_cast<QAction*>(Sender);
    const auto element = static_cast<TWatchFilter>(item->data().toInt());
    const TWatchFilterSet current = FDiskMon->WatchFilter();
    const TWatchFilterSet next = item->isChecked() ? current.with(element) : current.without(element);
    restartWith([&] { FDiskMon->SetWatchFilter(next); });
}

void Twnd_rv_Main::HelpContent1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpContentLink);
}

void Twnd_rv_Main::HowTosTutorialVideos1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpHowTosTutorialVideosLink);
}

void Twnd_rv_Main::HomePage1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpHomePageLink);
}

void Twnd_rv_Main::MoreFreeTools1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpMoreFreeToolsLink);
}

void Twnd_rv_Main::CheckforUpdates1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpCheckForUpdatesLink);
}

void Twnd_rv_Main::ContactTechnicalSupport1Click(QObject* /*Sender*/)
{
    OpenLink(GlobalVars.HelpSupportLink);
}

void Twnd_rv_Main::About1Click(QObject* /*Sender*/)
{
    ShowAboutBox(this);
}

// ---------------------------------------------------------------------------------------------------------
// Watch health: what the component's Active flag cannot say

void Twnd_rv_Main::UpdateWatchHealth()
{
    QString text;
    using Stall = TQuorvel_DiskMonitor::Stall;
    const Stall stall = FDiskMon->Active() ? FDiskMon->StallReason() : Stall::None;
    const auto reason = [&] {
        return QString::fromLocal8Bit(platform::SystemErrorText(FDiskMon->StallError()).c_str());
    };
    platform::WatchStatus status;
    if (stall == Stall::ReadRefused && FDiskMon->WatchFilter().empty()) {
        text = QStringLiteral("Not watching: no notification kind selected");
    } else if (stall == Stall::CannotOpen) {
        text = QStringLiteral("Not watching: cannot open the directory (%1)").arg(reason());
    } else if (stall != Stall::None) {
        text = QStringLiteral("Not watching: %1").arg(reason());
    } else if (FDiskMon->WatchStatus(status)) {
        QStringList parts;
        if (status.directoryGone) {
            parts << QStringLiteral("Not watching: the watched directory is gone");
        }
        if (status.overflows > 0) {
            parts << QStringLiteral("Changes lost: the kernel's queue overflowed (%1×)").arg(status.overflows);
        }
        if (status.unwatchedDirectories > 0) {
            parts << QStringLiteral("%1 folders not watched: %2 reached")
                         .arg(status.unwatchedDirectories)
                         .arg(QString::fromStdString(status.limitName));
        }
        text = parts.join(QStringLiteral("; "));
    }
    if (FWatchHealth->text() != text) {
        FWatchHealth->setText(text);
        FWatchHealth->setToolTip(text);
        FWatchHealth->setVisible(!text.isEmpty());
    }
}

} // namespace tervane
