#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <functional>

#include "engine/plan.hpp"
#include "engine/preview.hpp"
#include "filelist/file_entry.hpp"

namespace torvane::gui {

class QtIconProvider;

// The rows of one file list: a view of an entry sequence owned elsewhere (the
// main window's controller), row i being entry i. It keeps no copy and no
// per-row object; data() only formats. The owner changes the sequence and
// then calls Reset or UpdateInPlace, which announce the change to the views.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // `icons` gives the images of the Name and attribute columns; may be null
    // (no images).
    explicit FileListModel(const QtIconProvider* icons, QObject* parent = nullptr);

    // Shows `entries` (may be null: no rows). The sequence must outlive the
    // model or be detached first. Resets the views.
    void Attach(const FileEntries* entries);

    // The sequence changed in any way: the views drop their rows and take the
    // new ones.
    void Reset();

    // The sequence kept its length and its entries changed: every row is
    // redrawn where it is (selection and scrolling kept). When the length
    // changed after all, the views are reset instead.
    void UpdateInPlace();

    // Redraws the way the preview asks: in place or by a reset.
    void Refresh(NewListUpdate how);

    // The finding of a row, or null: asked for the one row drawn, so it must
    // be cheap (the preview's FindingAt).
    using FindingLookup = std::function<const Finding*(std::size_t row)>;

    // Marks the rows with a finding: the row is tinted (ProblemTint), the
    // name's icon carries the warning sign and every cell's tool tip is the
    // finding's message. An empty
    // lookup marks nothing (the default). Takes effect at the next redraw.
    void SetFindings(FindingLookup lookup);

    // The FieldColumn bits of a row whose new values wait for the file's
    // metadata (0: none); asked for the one row drawn.
    using ReadingLookup = std::function<unsigned(std::size_t row)>;

    // Shows "reading…" instead of the values a row waits for (the new
    // entries' list). An empty lookup shows every value (the default).
    void SetReading(ReadingLookup lookup);

    // The entry of a row; null for a row that does not exist.
    const FileEntry* EntryAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    QVariant DisplayText(const FileEntry& entry, int row, int column) const;
    QVariant Decoration(const FileEntry& entry, int row, int column) const;
    const Finding* FindingOf(int row) const;

    const QtIconProvider* icons_;
    const FileEntries* entries_ = nullptr;
    FindingLookup findings_;
    ReadingLookup reading_;
    // The rows the views were last told of. The sequence may change before
    // the owner announces it; until then the views see this many rows, and
    // rows past the sequence's end show nothing.
    int rows_ = 0;
};

}  // namespace torvane::gui
