#pragma once
// The widget of a view: tells the view when it was resized.

#include <QWidget>

class CView;

class CViewWidget : public QWidget {
    Q_OBJECT
public:
    CViewWidget(CView* view, QWidget* parent);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CView* m_pView;
};
