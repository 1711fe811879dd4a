#include "psychro/derived_columns.h"

#include "psychro/quantities.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

// Positions in quantitiesOf, and the CSV header of each (plain ASCII units,
// like the readings' columns).
constexpr struct {
    int quantity;
    const char* header;
} kColumns[] = {
    {2, "Humidity ratio (g/kg)"},   {5, "Enthalpy (kJ/kg)"},
    {3, "Dew point (C)"},           {4, "Wet bulb (C)"},
    {9, "Vapour pressure (hPa)"},   {8, "Absolute humidity (g/m3)"},
    {6, "Specific volume (m3/kg)"}, {7, "Density (kg/m3)"},
    {10, "Degree of saturation"},   {11, "Pressure (kPa)"},
};

}  // namespace

void DerivedCsvColumns::appendHeader(std::string& out) const {
    for (const auto& c : kColumns) {
        out += ',';
        out += c.header;
    }
    out += ",Condensation margin (K)";
}

void DerivedCsvColumns::appendRow(std::string& out, const TableInput& in, int row) const {
    const Outcome state = fromRelativeHumidity(in.samples.at(row, kAir),
                                               in.samples.at(row, kHumidity), m_pressureKPa);
    if (!state.air) {
        out.append(std::size(kColumns) + 1, ',');
        return;
    }
    const auto q = quantitiesOf(*state.air, Units::si);
    for (const auto& c : kColumns) {
        out += ',';
        if (q[static_cast<std::size_t>(c.quantity)].value) {
            out += q[static_cast<std::size_t>(c.quantity)].text();
        }
    }
    out += ',';
    const Condensation margin =
        condensationOf(surfaceOf(in.samples.at(row, kSurface)), state.air->dewPointC, 0.0);
    if (margin.marginK) {
        out += formatFixed(*margin.marginK, 2);
    }
}

}  // namespace kr5061::psychro
