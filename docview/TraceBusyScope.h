#pragma once
// The busy scope of a trace: besides what every busy scope does, it drops status prompts,
// so that the hop being probed stays in the message pane.

#include "BusyScope.h"

class CTraceBusyScope : public CBusyScope {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
