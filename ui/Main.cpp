// SPDX-License-Identifier: MIT
#include "ui/Main.h"

#include "app/Branding.h"
#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "platform/Platform.h"
#include "ui/AccessKeys.h"
#include "ui/Application.h"
#include "ui/LogModel.h"
#include "ui/MessageBoxes.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
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
    // Wine ships a metric-compatible Tahoma that fontconfig does not list; the columns are sized for it.
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    }
    const QString family = QFontDatabase::families().contains(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                                                        : QApplication::font().family();
    QFont font(family);
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
    connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
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
    connect(List, &QAbstractItemView::doubleClicked, this, [this] { cmProps(List); });
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
            setWindowTitle(ApplicationTitle() + QStringLiteral(" - [") +
                           QString::fromLocal8Bit(FDiskMon->Directory().c_str()) + QStringLiteral("]"));
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
}

void Twnd_rv_Main::PopupMenuPopup()
{
    pmProps->setEnabled(EntryPropertiesAvailable());
}

// ---------------------------------------------------------------------------------------------------------
// Commands

void Twnd_rv_Main::mmActiveClick(QObject* /*Sender*/) {}
void Twnd_rv_Main::mmSetdirectoryClick(QObject* /*Sender*/) {}
void Twnd_rv_Main::Clearlog1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::cmProps(QObject* /*Sender*/) {}
void Twnd_rv_Main::mmExitClick(QObject* /*Sender*/) {}
void Twnd_rv_Main::mmWSClick(QObject* /*Sender*/) {}
void Twnd_rv_Main::cmAction(QObject* /*Sender*/) {}
void Twnd_rv_Main::cmNotify(QObject* /*Sender*/) {}
void Twnd_rv_Main::HelpContent1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::HowTosTutorialVideos1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::HomePage1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::MoreFreeTools1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::CheckforUpdates1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::ContactTechnicalSupport1Click(QObject* /*Sender*/) {}
void Twnd_rv_Main::About1Click(QObject* /*Sender*/) {}

} // namespace tervane
