#pragma once
// The profile choice that the open tool windows (Graph View, Profile View, the Float
// Overview) share: choosing profiles in one chooser, on the map or in the section
// chooses them in the others. A chooser that allows one profile takes the first.
#include <QObject>
#include <QPointer>
#include <cstddef>
#include <vector>

class CProfileChooser;

class CToolLinks : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Links `chooser` (not owned; forgotten when it is destroyed) and makes the current
    // choice in it, when there is one.
    void Add(CProfileChooser* chooser);
    // The profiles chosen last in any linked chooser (empty: none yet).
    const std::vector<std::size_t>& Current() const { return m_current; }
    // Chooses `profiles` in every linked chooser.
    void Choose(const std::vector<std::size_t>& profiles);
    // A new document: no choice is kept.
    void Clear() { m_current.clear(); }

private:
    void Follow(CProfileChooser* leader);

    std::vector<QPointer<CProfileChooser>> m_choosers;
    std::vector<std::size_t> m_current;
    bool m_following = false; // a choice is being passed on: the echoes are not
};
