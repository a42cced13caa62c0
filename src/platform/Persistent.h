#pragma once
// Base of the objects that copy themselves from another of their kind
// through a virtual Assign. A source of the wrong kind does nothing.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual void Assign(const TPersistent* source) { (void)source; }
};
