#pragma once
// A device context for drawing text: over a QPainter in device pixels (a printer's or the
// preview's). Tests derive from it to record what a view draws.

#include <string>

class QFont;
class QPainter;

class CDC {
public:
    explicit CDC(QPainter* painter = nullptr);
    virtual ~CDC() = default;

    // Draws text1252 with its top-left corner at (x, y), in device pixels.
    virtual bool TextOut(int x, int y, const std::string& text1252);
    // The same with its tabs expanded at stops every tabStop device pixels from x.
    virtual bool TabbedTextOut(int x, int y, const std::string& text1252, int tabStop);
    // A quarter of the font's average character width in device pixels: the horizontal
    // dialog unit, times four.
    int GetBaseUnitX() const;
    // The default font of a printer's context: the application's font family at 9 points.
    static QFont PrintFont();
    static constexpr int s_nPrintFontPoints = 9;
    QPainter* GetPainter() const { return m_pPainter; }
    bool IsPrinting() const { return m_bPrinting; }
    void SetPrinting(bool printing) { m_bPrinting = printing; }

private:
    QPainter* m_pPainter;
    bool m_bPrinting = false;
};
