#pragma once

class AbsContentWdt;
struct SDynData;

/// The one place that maps a record's kind to its content widget. Returns null for an invalid
/// record, an empty content map, or a kind without content widget; otherwise a built widget
/// without parent that the caller owns. GUI thread only.
AbsContentWdt *createContentWdt(const SDynData *record);
