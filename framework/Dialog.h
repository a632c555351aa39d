#pragma once
// A dialog built from a dialog template. DoModal builds the window, runs OnInitDialog and
// waits for EndDialog; Enter presses the push button that has the focus, else the default
// button (or OnOK); Escape and the close box call OnCancel. Create builds and shows it without waiting (tests use it).

#include "Wnd.h"

class QDialog;
class CDataExchange;
struct CDialogTemplate;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, QWidget* parent = nullptr);
    ~CDialog() override;

    virtual int DoModal();
    BOOL Create(QWidget* parent = nullptr);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // A button of the dialog was pressed; IDOK and IDCANCEL go to OnOK and OnCancel.
    virtual void OnButtonClicked(int id);
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(int result);

    QDialog* GetDialogWindow() const;
    int GetResult() const { return m_nResult; }
    UINT GetTemplateId() const { return m_nTemplateId; }

private:
    BOOL BuildWindow(QWidget* parent);

    UINT m_nTemplateId;
    QWidget* m_pParentWidget;
    int m_nResult = 0;
    BOOL m_bEnded = FALSE;
};
