#pragma once

#include "store/text_export.h"

namespace kr5061::psychro {

// The moist-air quantities of each sample (from its AIR and RH at one
// barometric pressure) and the condensation margin of its K/IR reading, as
// further CSV columns. Always SI, whatever unit the readings were shown in;
// a quantity that does not exist for a sample is an empty field.
class DerivedCsvColumns : public CsvExtraColumns {
public:
    explicit DerivedCsvColumns(double pressureKPa) : m_pressureKPa(pressureKPa) {}

    void appendHeader(std::string& out) const override;
    void appendRow(std::string& out, const TableInput& in, int row) const override;

private:
    double m_pressureKPa;
};

}  // namespace kr5061::psychro
