#include "views/VTFrame.h"

VTFrame::VTFrame(QWidget *parent)
    : VTFrame(QStringLiteral("VTFrame"), parent)
{ }

VTFrame::VTFrame(const QString &objectName, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(objectName);
    setAutoFillBackground(true);
}
