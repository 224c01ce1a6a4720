#include "gui/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "gui/commands.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/lists/file_columns.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/pane_layout.hpp"
#include "gui/qt/qt_dialogs.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_pickers.hpp"
#include "gui/qt/qt_progress.hpp"
#include "gui/qt/qt_ui_thread.hpp"

namespace torvane::gui {
namespace {

// The left column's proportions: about a quarter of the start width, the
// editor frame above a task list that takes the rest of the height.
constexpr int kLeftColumnWidth = 300;
constexpr int kEditorFrameHeight = 270;
constexpr int kGap = 10;  // between the working area and the progress bar
// Symbolic icons are drawn for 16 pixels; 24 is the desktop toolbars' usual size.
constexpr int kToolBarIconSize = 24;
constexpr int kProgressBarHeight = 14;

QFrame* MakePanel(QWidget* parent, bool asList) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    if (asList) {
        frame->setBackgroundRole(QPalette::Base);
        frame->setAutoFillBackground(true);
    }
    return frame;
}

}  // namespace

MainWindow::MainWindow(EditorSide* editors, QWidget* parent)
    : QMainWindow(parent),
      icons_(std::make_unique<QtIconProvider>()),
      pickers_(std::make_unique<QtPickers>(this)) {
    setWindowTitle("Torvane");
    // Our icon for this window and, where the program has set none, for
    // every other window and dialog it opens.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(ApplicationIcon());
    setWindowIcon(ApplicationIcon());
    MakeActions();
    MakeMenus();
    MakeToolBar();
    MakeFileLists();
    MakeCentralArea();
    progress_ = new QtProgress(*progressBar_);
    dialogs_ = new QtDialogs(this, this);
    uiThread_ = new QtUiThread(this);
    if (editors)
        SetEditorSide(*editors);
    ConnectLists();
    setAcceptDrops(true);
    setMinimumSize(kMinimumSize);
    resize(kStartSize);
    ShowEntryInfo(nullptr, "General Info");
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::Action(int commandId) const {
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::SetCommandEnabled(int commandId, bool enabled) {
    if (QAction* action = Action(commandId))
        action->setEnabled(enabled);
}

void MainWindow::SetProductName(const QString& productName) {
    setWindowTitle(productName);
    Action(kCmdAbout)->setText("About " + productName);
}

void MainWindow::ShowEntryInfo(const FileEntry* entry, const QString& caption) {
    panes_->SetPaneTitle(PaneLayout::kGeneralInfoPane, caption);
    if (entry)
        generalInfo_->ShowEntry(*entry, icons_->Icon(entry->iconIndex));
    else
        generalInfo_->ShowEmpty();
}

void MainWindow::MakeActions() {
    for (const auto& info : kCommands) {
        auto* action = new QAction(info.menuText, this);
        if (*info.tooltip)
            action->setToolTip(info.tooltip);
        if (*info.themeIcon)
            action->setIcon(CommandIcon(info.themeIcon, info.fallbackIcon));
        action->setIconVisibleInMenu(false);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { emit CommandTriggered(id); });
        actions_.emplace(id, action);
    }
    auto* refresh = new QAction("&Refresh", this);
    refresh->setToolTip("List the folder on show again");
    connect(refresh, &QAction::triggered, this, [this] { emit CommandTriggered(kCmdRefresh); });
    actions_.emplace(kCmdRefresh, refresh);
    auto* undoLast = new QAction("&Undo Last Job", this);
    connect(undoLast, &QAction::triggered, this,
            [this] { emit CommandTriggered(kCmdUndoLastJob); });
    actions_.emplace(kCmdUndoLastJob, undoLast);
    auto* history = new QAction("Job &History...", this);
    history->setToolTip("The jobs kept for undo, and their entries");
    connect(history, &QAction::triggered, this, [this] { emit CommandTriggered(kCmdHistory); });
    actions_.emplace(kCmdHistory, history);
    for (const auto& [id, text, tip] :
         {std::tuple{kCmdNextProblem, "&Next Problem", "Select the next entry with a problem"},
          std::tuple{kCmdPreviousProblem, "&Previous Problem",
                     "Select the previous entry with a problem"}}) {
        auto* action = new QAction(text, this);
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, id = id] { emit CommandTriggered(id); });
        actions_.emplace(id, action);
    }
    undoLast->setEnabled(false);
    history->setEnabled(false);
    for (const auto& shortcut : kShortcuts) {
        QAction* action = Action(shortcut.id);
        QList<QKeySequence> keys{QKeySequence(shortcut.keys, QKeySequence::PortableText)};
        if (shortcut.id == kCmdUpdateAttributes)
            keys << QKeySequence(Qt::CTRL | Qt::Key_Enter);  // the keypad's Enter too
        action->setShortcuts(keys);
        // Added to the task list as well (SetEditorSide), where it acts.
        if (shortcut.taskListOnly)
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
}

void MainWindow::MakeMenus() {
    for (const auto& info : kMenus) {
        QMenu* menu = menuBar()->addMenu(info.title);
        // The history's state is read when the menu that holds its commands opens.
        if (std::find(info.items.begin(), info.items.end(), kCmdUndoLastJob) != info.items.end())
            connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateHistoryActions);
        for (const int item : info.items) {
            if (item == -1)
                break;
            if (item == kSeparator)
                menu->addSeparator();
            else
                menu->addAction(Action(item));
        }
    }
}

void MainWindow::MakeToolBar() {
    toolBar_ = addToolBar("Toolbar");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(kToolBarIconSize, kToolBarIconSize));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->toggleViewAction()->setEnabled(false);
    for (const int item : kToolBar) {
        if (item == kSeparator)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(Action(item));
    }
    // Apply says what it does beside its icon.
    QAction* apply = Action(kCmdUpdateAttributes);
    apply->setIconText(kApplyButtonText);
    if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(apply)))
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void MainWindow::MakeFileLists() {
    currentModel_ = new FileListModel(icons_.get(), this);
    newModel_ = new FileListModel(icons_.get(), this);
    currentList_ = new SyncListView(kCurrentListId);
    newList_ = new SyncListView(kNewListId);
    currentList_->setModel(currentModel_);
    newList_->setModel(newModel_);
    SyncListView::MakePartners(*currentList_, *newList_);
    std::vector<GridColumn> columns(kFileColumns.begin(), kFileColumns.end());
    // The date columns start wide enough for a whole date text in the
    // desktop's font, which may be wider than the font the widths suit.
    const int dateWidth =
        currentList_->fontMetrics().horizontalAdvance("00/00/0000 00:00:00 PM") + 16;
    for (int c = kModifiedColumn; c <= kAccessedColumn; ++c)
        columns[static_cast<std::size_t>(c)].width =
            std::max(columns[static_cast<std::size_t>(c)].width, dateWidth);
    // The attribute columns start wide enough for their whole heading (the
    // header's own measure of its text, margins and style).
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c)
        columns[static_cast<std::size_t>(c)].width =
            std::max(columns[static_cast<std::size_t>(c)].width,
                     currentList_->horizontalHeader()->sectionSizeHint(c));
    currentList_->SetColumns(columns);
    newList_->SetColumns(columns);
    for (int c = kFirstColumnHiddenAtStart; c < kFileColumnCount; ++c)
        currentList_->ShowColumn(c, false);  // mirrored in the new list
    currentList_->viewport()->installEventFilter(this);
    newList_->viewport()->installEventFilter(this);
    generalInfo_ = new InfoTabGeneral;
    wholeJobTable_ = new QTableView;
    SetUpPlanTable(*wholeJobTable_);
    panes_ = new PaneLayout(currentList_, newList_, generalInfo_, wholeJobTable_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == currentList_->viewport() || watched == newList_->viewport()))
        FitNameColumn();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::FitNameColumn() {
    int others = 0;
    for (int c = 0; c < kFileColumnCount; ++c) {
        if (c != kNameColumn && !currentList_->isColumnHidden(c))
            others += currentList_->columnWidth(c);
    }
    // The narrower list decides: the partner mirrors the width.
    const int room =
        std::min(currentList_->viewport()->width(), newList_->viewport()->width()) - others;
    const int start = kFileColumns[kNameColumn].width;
    const int width = currentList_->columnWidth(kNameColumn);
    int wanted = width;
    if (width > room)
        wanted = std::max(room, kFileColumns[kNameColumn].minWidth);
    else if (nameNarrowed_ && width < start)
        wanted = std::min(room, start);
    if (wanted != width)
        currentList_->setColumnWidth(kNameColumn, wanted);
    nameNarrowed_ = currentList_->columnWidth(kNameColumn) < start;
}

QWidget* MainWindow::MakeLeftColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(kLeftColumnWidth);
    editorFrame_ = MakePanel(column, false);
    editorFrame_->setFixedHeight(kEditorFrameHeight);
    taskListArea_ = MakePanel(column, true);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(editorFrame_);
    layout->addSpacing(4);
    layout->addWidget(taskListArea_, 1);
    return column;
}

void MainWindow::MakeCentralArea() {
    auto* central = new QWidget(this);
    auto* work = new QHBoxLayout;
    work->setSpacing(kGap);
    work->addWidget(MakeLeftColumn());
    work->addWidget(panes_, 1);
    progressBar_ = new QProgressBar(central);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(kProgressBarHeight);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    // While a plan is built: its text before the bar and Cancel after it,
    // hidden otherwise, so the bar keeps the full width.
    planningText_ = new QLabel(central);
    planningText_->setTextFormat(Qt::PlainText);
    planningText_->hide();
    planningCancel_ = new QPushButton("Cancel", central);
    planningCancel_->hide();
    connect(planningCancel_, &QPushButton::clicked, this, &MainWindow::CancelPlanning);
    planningEscape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    planningEscape_->setContext(Qt::WindowShortcut);
    planningEscape_->setEnabled(false);
    connect(planningEscape_, &QShortcut::activated, this, &MainWindow::CancelPlanning);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(kGap);
    bottom->addWidget(planningText_);
    bottom->addWidget(progressBar_, 1);
    bottom->addWidget(planningCancel_);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(kGap, 4, kGap, kGap);
    layout->setSpacing(kGap);
    layout->addLayout(work, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);
}

}  // namespace torvane::gui
