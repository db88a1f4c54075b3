#pragma once
// The small list-view interface behind the report-style lists (the connected workstations, the
// till's operations), so that a Qt item model, a text table or a web page can stand behind them.

#include "ZRVCommon.h"

#include <QObject>
#include <QVariant>

// Rows of a caption, eight sub-items, an image index and a user-data reference. A row that is not
// there raises EZRVError ("List index out of bounds"), so a refresh that runs out of rows stops.
class TZRVListView : public QObject {
    Q_OBJECT
public:
    static constexpr int c_SubItemCount = 8;

    virtual ~TZRVListView() = default;

    virtual int Count() const = 0;
    // Appends an empty row; its index.
    virtual int Add() = 0;
    void Delete(int aRow);
    virtual void Clear() = 0;

    QString Caption(int aRow) const;
    void SetCaption(int aRow, const QString& aText);
    // Sub-items 0 ... 7.
    QString SubItem(int aRow, int aIndex) const;
    void SetSubItem(int aRow, int aIndex, const QString& aText);
    int ImageIndex(int aRow) const;
    void SetImageIndex(int aRow, int aIndex);
    QVariant Data(int aRow) const;
    void SetData(int aRow, const QVariant& aData);
    // A reference to the row that follows it when rows before it are deleted, and the row's
    // present index (-1 once the row is gone).
    QVariant Handle(int aRow) const;
    virtual int RowOf(const QVariant& aHandle) const = 0;

    // Changes between the two belong together; they nest.
    void BeginUpdate() { ++fUpdating; }
    void EndUpdate() { fUpdating = std::max(fUpdating - 1, 0); }
    bool Updating() const { return fUpdating > 0; }
    virtual bool Visible() const { return fVisible; }
    virtual void SetVisible(bool aValue) { fVisible = aValue; }
    // A free number for the owner (the connections view keeps its rebinding request in bit 0).
    int Tag() const { return fTag; }
    void SetTag(int aValue) { fTag = aValue; }

protected:
    enum TZRVRowValue { rvImageIndex, rvData };

    // Columns: 0 the caption, 1 ... 8 the sub-items.
    virtual QString Text(int aRow, int aColumn) const = 0;
    virtual void SetText(int aRow, int aColumn, const QString& aText) = 0;
    virtual QVariant Value(int aRow, TZRVRowValue aValue) const = 0;
    virtual void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) = 0;
    virtual QVariant RowHandle(int aRow) const = 0;
    virtual void DeleteRow(int aRow) = 0;

private:
    void CheckRow(int aRow) const;
    static void CheckSubItem(int aIndex);

    int fUpdating = 0;
    bool fVisible = true;
    int fTag = 0;
};
