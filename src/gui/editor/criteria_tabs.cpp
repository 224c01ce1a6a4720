#include "gui/editor/criteria_tabs.hpp"

#include <QComboBox>
#include <QGridLayout>

#include "gui/editor/attribute_page.hpp"
#include "gui/editor/rename_page.hpp"
#include "gui/editor/timestamp_page.hpp"

namespace torvane::gui {

QComboBox* MakeTaskKindSelector(QWidget* parent) {
    auto* selector = new QComboBox(parent);
    selector->addItems({QStringLiteral("File Name"), QStringLiteral("File Timestamp"),
                        QStringLiteral("File Attribute")});
    selector->setCurrentIndex(0);
    selector->setEnabled(false);
    return selector;
}

CriteriaTabs::CriteriaTabs(QComboBox& selector, Dialogs& dialogs, const std::wstring& caption,
                           SubmitTaskFn submit, std::int64_t startTime, QWidget* parent)
    : QFrame(parent),
      selector_(selector),
      name_(new RenamePage(dialogs, caption, submit, this)),
      date_(new TimestampPage(dialogs, caption, submit, startTime, this)),
      attributes_(new AttributePage(dialogs, caption, submit, this)),
      pages_{name_, date_, attributes_} {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    // All three pages cover the same area, sized for the largest; only the
    // current one is shown.
    for (CriteriaPage* page : pages_) {
        QSizePolicy policy = page->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        page->setSizePolicy(policy);
        layout->addWidget(page, 0, 0);
    }
    for (std::size_t p = 1; p < pages_.size(); ++p) {
        pages_[p]->setEnabled(false);
        pages_[p]->hide();
    }
    connect(&selector_, &QComboBox::activated, this,
            [this](int index) { ShowCriteriaPage(index); });
}

void CriteriaTabs::ShowCriteriaPage(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size()))
        return;
    if (selector_.currentIndex() != index)
        selector_.setCurrentIndex(index);
    if (index == current_)
        return;
    Page(current_).setEnabled(false);
    Page(current_).hide();
    Page(current_).SetActive(false);
    current_ = index;
    Page(current_).setEnabled(true);
    Page(current_).show();
    Page(current_).SetActive(true);
}

void CriteriaTabs::SetDraftPreview(const DraftPreviewFn& preview) {
    for (CriteriaPage* page : pages_)
        page->SetDraftPreview(preview);
    Page(current_).SetActive(true);
}

}  // namespace torvane::gui
