#include "support/qxTreePanel.h"

#include "ui/PropHelpers.h"

SKIMBAR_CLASS_INFO(TqxTreePanel, TCustomPanel)
