#pragma once
// File/"Druckereinrichtung": chooses the printer, the paper size and the orientation of the
// application's printer without printing. OK hands the choices to that printer, where the
// next print and preview use them; "Abbrechen" leaves it as it was.

#include <QDialog>

class QComboBox;
class QPrinter;
class QRadioButton;

class CPrintSetupDialog : public QDialog {
public:
    CPrintSetupDialog(QPrinter* printer, QWidget* parent = nullptr);

    void accept() override;

private:
    QWidget* CreatePrinterGroup();
    QWidget* CreatePaperGroup();
    QWidget* CreateOrientationGroup();
    // Offers the paper sizes of the printer chosen, keeping the current one selected.
    void FillPageSizes();

    QPrinter* m_pPrinter;
    QComboBox* m_pPrinterName = nullptr;
    QComboBox* m_pPageSize = nullptr;
    QRadioButton* m_pPortrait = nullptr;
    QRadioButton* m_pLandscape = nullptr;
    int m_nFirstPrinter = -1; // the combo's index of the printer in use when the dialog opened
};
