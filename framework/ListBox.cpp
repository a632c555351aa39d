#include "ListBox.h"

#include "ListBoxDelegate.h"
#include "ListBoxModel.h"
#include "WinDefs.h"

#include <QListView>

QWidget* CListBox::CreateListWidget(QWidget* parent, int tabStopPixels)
{
    auto* view = new QListView(parent);
    auto* model = new CListBoxModel(view);
    view->setModel(model);
    auto* delegate = new CListBoxDelegate(tabStopPixels, view);
    view->setItemDelegate(delegate);
    QObject::connect(model, &QAbstractItemModel::modelReset, delegate, [delegate] { delegate->ResetWidest(); });
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setFocusPolicy(Qt::StrongFocus);
    return view;
}

CListBoxModel* CListBox::GetModel() const
{
    auto* view = qobject_cast<QListView*>(m_hWnd);
    return view != nullptr ? qobject_cast<CListBoxModel*>(view->model()) : nullptr;
}

int CListBox::AddString(const std::string& text1252)
{
    return InsertString(-1, text1252);
}

int CListBox::InsertString(int index, const std::string& text1252)
{
    CListBoxModel* model = GetModel();
    if (model == nullptr || index > model->Count()) {
        return LB_ERR;
    }
    return model->Insert(index, text1252);
}

int CListBox::DeleteString(int index)
{
    CListBoxModel* model = GetModel();
    if (model == nullptr || index < 0 || index >= model->Count()) {
        return LB_ERR;
    }
    model->Remove(index);
    return model->Count();
}

void CListBox::ResetContent()
{
    if (CListBoxModel* model = GetModel()) {
        model->Clear();
    }
}

int CListBox::GetCount() const
{
    const CListBoxModel* model = GetModel();
    return model != nullptr ? model->Count() : LB_ERR;
}

int CListBox::GetText(int index, std::string& text1252) const
{
    const CListBoxModel* model = GetModel();
    if (model == nullptr || index < 0 || index >= model->Count()) {
        return LB_ERR;
    }
    text1252 = model->At(index);
    return static_cast<int>(text1252.size());
}

int CListBox::SetTopIndex(int index)
{
    auto* view = qobject_cast<QListView*>(m_hWnd);
    const CListBoxModel* model = GetModel();
    if (view == nullptr || model == nullptr || index < 0 || index >= model->Count()) {
        return LB_ERR;
    }
    view->scrollTo(model->index(index), QAbstractItemView::PositionAtTop);
    return 0;
}

int CListBox::GetTextLen(int index) const
{
    std::string text;
    return GetText(index, text);
}
