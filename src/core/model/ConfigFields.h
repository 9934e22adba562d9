#pragma once

#include "core/model/Form1State.h"
#include "core/settings/ConfigKeys.h"

#include <array>
#include <cstddef>

namespace ConfigKeys {

// The window's configuration fields are the key table's fields, one for one, in the same order.
static_assert(std::size(configFieldMembers) == std::size(fields));

// Where a field stands in the key table.
inline std::size_t indexOf(const Field& field) {
    return static_cast<std::size_t>(&field - std::begin(fields));
}

// The control of one field of the key table.
inline Control Form1State::*controlOf(const Field& field) {
    return configFieldMembers[indexOf(field)];
}

// The field whose control is the given one.
inline const Field& fieldOf(Control Form1State::*control) {
    for (std::size_t i = 0; i < std::size(fields); ++i)
        if (configFieldMembers[i] == control)
            return fields[i];
    Q_UNREACHABLE();
}

} // namespace ConfigKeys

// The window's fields of the key table, in the table's order: the slice of the window that start-up fills
// and the configuration screen unlocks and saves.
class ConfigFields {
public:
    static constexpr std::size_t count = std::size(ConfigKeys::fields);

    explicit ConfigFields(const std::array<Control*, count>& controls) : m_controls(controls) {}

    // The control of one entry of the key table.
    Control& operator[](const ConfigKeys::Field& field) const {
        return *m_controls[ConfigKeys::indexOf(field)];
    }
    // The control the key table holds for a field of the window model.
    Control& of(Control Form1State::*member) const { return (*this)[ConfigKeys::fieldOf(member)]; }
    const std::array<Control*, count>& all() const { return m_controls; }

private:
    std::array<Control*, count> m_controls;
};
