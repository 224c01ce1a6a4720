#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QSplitter;
class QStackedWidget;
class QTabWidget;

namespace torvane::gui {

// The main window's three panes, each in a tab titled by the pane:
// "Current Attribute" and "New Attribute" side by side, half the width each,
// with a splitter the user can drag, and a count line of one text line below
// them; "General Info" below across the full width. "Whole Job" takes the
// two lists' place while its toggle (on the count line's row, beside "Show
// problems only") is on. The top row (lists and
// count line) takes 70 % of the height and General Info 30 %, with a border
// between them that can't be dragged. Tabs can't be moved.
class PaneLayout : public QWidget {
    Q_OBJECT

  public:
    enum Pane { kCurrentPane = 0, kNewPane, kGeneralInfoPane, kWholeJobPane, kPaneCount };

    static constexpr int kMinimumPaneSize = 20;
    static constexpr int kTopPercent = 70;
    static constexpr int kBorder = 4;  // pixels between the rows

    // The panes' contents are given now and owned by the layout from then on.
    PaneLayout(QWidget* current, QWidget* newValues, QWidget* generalInfo, QWidget* wholeJob,
               QWidget* parent = nullptr);

    // The text of a pane's tab.
    QString PaneTitle(Pane pane) const;
    // Changes a pane's tab text (General Info names the list it shows).
    void SetPaneTitle(Pane pane, const QString& title);

    // The line below the two lists (the new list's count of changes and
    // problems).
    QLabel& CountLine() const { return *countLine_; }
    // The toggles beside the count line.
    QCheckBox& WholeJobBox() const { return *wholeJobBox_; }
    QCheckBox& ProblemsOnlyBox() const { return *problemsOnlyBox_; }
    // Shows the whole job's pane in place of the two lists, or the lists.
    void ShowWholeJob(bool shown);
    bool WholeJobShown() const;

    // The widgets framing the panes, for geometry checks.
    QWidget* TopRow() const;
    QWidget* PaneFrame(Pane pane) const;
    QSplitter* ListSplitter() const { return listSplitter_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* topRow_;
    QSplitter* listSplitter_;
    QStackedWidget* stack_;
    QLabel* countLine_;
    QCheckBox* wholeJobBox_;
    QCheckBox* problemsOnlyBox_;
    std::array<QTabWidget*, kPaneCount> tabs_{};
};

}  // namespace torvane::gui
