// SPDX-License-Identifier: MIT
#pragma once
// The small part of a component framework the watch component stands on: an owner, a name, a tag and the
// design-mode state. Owners do not free their components here; C++ ownership does (members, unique_ptr).

#include <string>

namespace tervane {

class TComponent
{
public:
    explicit TComponent(TComponent* AOwner) : m_owner(AOwner) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    [[nodiscard]] TComponent* Owner() const { return m_owner; }
    [[nodiscard]] const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    [[nodiscard]] long Tag() const { return m_tag; }
    void SetTag(long tag) { m_tag = tag; }

    /// True while the component is being edited in a designer rather than run: it records property
    /// values and opens nothing.
    [[nodiscard]] bool Designing() const { return m_designing; }
    void SetDesigning(bool designing) { m_designing = designing; }

private:
    TComponent* m_owner;
    std::string m_name;
    long m_tag = 0;
    bool m_designing = false;
};

} // namespace tervane
