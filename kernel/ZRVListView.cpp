#include "ZRVListView.h"

using namespace Qt::StringLiterals;

void TZRVListView::CheckRow(int aRow) const {
    if (aRow < 0 || aRow >= Count())
        throw EZRVError(u"List index out of bounds ("_s + QString::number(aRow) + u')');
}

void TZRVListView::CheckSubItem(int aIndex) {
    if (aIndex < 0 || aIndex >= c_SubItemCount)
        throw EZRVError(u"Sub-item index out of bounds ("_s + QString::number(aIndex) + u')');
}

void TZRVListView::Delete(int aRow) {
    CheckRow(aRow);
    DeleteRow(aRow);
}

QString TZRVListView::Caption(int aRow) const {
    CheckRow(aRow);
    return Text(aRow, 0);
}

void TZRVListView::SetCaption(int aRow, const QString& aText) {
    CheckRow(aRow);
    SetText(aRow, 0, aText);
}

QString TZRVListView::SubItem(int aRow, int aIndex) const {
    CheckRow(aRow);
    CheckSubItem(aIndex);
    return Text(aRow, aIndex + 1);
}

void TZRVListView::SetSubItem(int aRow, int aIndex, const QString& aText) {
    CheckRow(aRow);
    CheckSubItem(aIndex);
    SetText(aRow, aIndex + 1, aText);
}

int TZRVListView::ImageIndex(int aRow) const {
    CheckRow(aRow);
    return Value(aRow, rvImageIndex).toInt();
}

void TZRVListView::SetImageIndex(int aRow, int aIndex) {
    CheckRow(aRow);
    SetValue(aRow, rvImageIndex, aIndex);
}

QVariant TZRVListView::Data(int aRow) const {
    CheckRow(aRow);
    return Value(aRow, rvData);
}

void TZRVListView::SetData(int aRow, const QVariant& aData) {
    CheckRow(aRow);
    SetValue(aRow, rvData, aData);
}

QVariant TZRVListView::Handle(int aRow) const {
    CheckRow(aRow);
    return RowHandle(aRow);
}
