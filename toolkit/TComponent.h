#pragma once

#include <QObject>

namespace quorvane {

enum TComponentStateFlag : unsigned {
    csLoading = 0x1,
    csReading = 0x2,
    csDesigning = 0x4,
};

// What every component of a form's design adds to its Qt class: the loading state and the loaded
// step. A component made while a TDesignLoader is open starts in the loading state; property
// writes made then are only stored, and their effects wait for Loaded().
class TComponent {
public:
    TComponent();
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    unsigned ComponentState() const { return FComponentState; }
    bool IsLoading() const { return (FComponentState & csLoading) != 0; }

    // Runs once the whole design has been read. Overrides call the base first, then apply what was
    // deferred.
    virtual void Loaded();

private:
    friend class TDesignLoader;
    unsigned FComponentState = 0;
};

// The bracket around a form's design code. While it is open every new component is loading; at
// Finish() Loaded() runs on every component below root, children before their
// parent, the root last.
class TDesignLoader {
public:
    explicit TDesignLoader(QObject* root);
    ~TDesignLoader();
    TDesignLoader(const TDesignLoader&) = delete;
    TDesignLoader& operator=(const TDesignLoader&) = delete;

    void Finish();
    static bool Active();

private:
    QObject* FRoot;
    bool FFinished = false;
};

} // namespace quorvane
