#pragma once

#include "dynfeed_export.h"

#include <QFrame>

/// The frame from which the navigator, its go-to box and the paged feed derive: a QFrame that
/// fills its background, found by the host's style sheet through its object name ("VTFrame"
/// unless another is given). GUI thread only.
class DYNFEED_EXPORT VTFrame : public QFrame
{
    Q_OBJECT
public:
    explicit VTFrame(QWidget *parent);
    VTFrame(const QString &objectName, QWidget *parent);
};
