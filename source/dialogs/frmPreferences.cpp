#include "dialogs/frmPreferences.h"

frmPreferences::frmPreferences(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPreferences"));
}
