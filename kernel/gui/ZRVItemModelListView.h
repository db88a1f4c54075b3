#pragma once
// The list view over a QStandardItemModel, for the programs that show lists in Qt widgets.

#include "ZRVListView.h"

#include <memory>

class QStandardItemModel;

// The list over a QStandardItemModel: one model row per row, the caption in column 0 and the
// sub-items in columns 1 to 8; the image index and the user data are roles of column 0.
class TZRVItemModelListView : public TZRVListView {
public:
    static constexpr int c_ImageIndexRole = Qt::UserRole + 1;
    static constexpr int c_DataRole = Qt::UserRole + 2;

    // Uses aModel (not owned; widened to nine columns), or a model of its own when none is given.
    explicit TZRVItemModelListView(QStandardItemModel* aModel = nullptr);
    ~TZRVItemModelListView() override;

    QStandardItemModel* Model() const { return fModel; }
    int Count() const override;
    int Add() override;
    void Clear() override;
    int RowOf(const QVariant& aHandle) const override;

protected:
    QString Text(int aRow, int aColumn) const override;
    void SetText(int aRow, int aColumn, const QString& aText) override;
    QVariant Value(int aRow, TZRVRowValue aValue) const override;
    void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) override;
    QVariant RowHandle(int aRow) const override;
    void DeleteRow(int aRow) override;

private:
    static int Role(TZRVRowValue aValue);

    std::unique_ptr<QStandardItemModel> fOwnModel;
    QStandardItemModel* fModel;
};
