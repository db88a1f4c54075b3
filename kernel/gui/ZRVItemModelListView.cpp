#include "ZRVItemModelListView.h"

#include <QPersistentModelIndex>
#include <QStandardItemModel>

TZRVItemModelListView::TZRVItemModelListView(QStandardItemModel* aModel)
    : fOwnModel(aModel ? nullptr : new QStandardItemModel(0, 1 + c_SubItemCount)),
      fModel(aModel ? aModel : fOwnModel.get()) {
    if (fModel->columnCount() < 1 + c_SubItemCount)
        fModel->setColumnCount(1 + c_SubItemCount);
}

TZRVItemModelListView::~TZRVItemModelListView() = default;

int TZRVItemModelListView::Count() const {
    return fModel->rowCount();
}

int TZRVItemModelListView::Add() {
    QList<QStandardItem*> row;
    for (int column = 0; column <= c_SubItemCount; ++column)
        row << new QStandardItem();
    fModel->appendRow(row);
    return fModel->rowCount() - 1;
}

void TZRVItemModelListView::Clear() {
    fModel->removeRows(0, fModel->rowCount());
}

int TZRVItemModelListView::RowOf(const QVariant& aHandle) const {
    const auto index = aHandle.value<QPersistentModelIndex>();
    return index.isValid() && index.model() == fModel ? index.row() : -1;
}

QString TZRVItemModelListView::Text(int aRow, int aColumn) const {
    return fModel->index(aRow, aColumn).data(Qt::DisplayRole).toString();
}

void TZRVItemModelListView::SetText(int aRow, int aColumn, const QString& aText) {
    fModel->setData(fModel->index(aRow, aColumn), aText, Qt::DisplayRole);
}

int TZRVItemModelListView::Role(TZRVRowValue aValue) {
    return aValue == rvImageIndex ? c_ImageIndexRole : c_DataRole;
}

QVariant TZRVItemModelListView::Value(int aRow, TZRVRowValue aValue) const {
    return fModel->index(aRow, 0).data(Role(aValue));
}

void TZRVItemModelListView::SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) {
    fModel->setData(fModel->index(aRow, 0), aValue, Role(aWhich));
}

QVariant TZRVItemModelListView::RowHandle(int aRow) const {
    return QVariant::fromValue(QPersistentModelIndex(fModel->index(aRow, 0)));
}

void TZRVItemModelListView::DeleteRow(int aRow) {
    fModel->removeRow(aRow);
}
