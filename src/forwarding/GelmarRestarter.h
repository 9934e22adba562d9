#pragma once

// Kills and relaunches the supervision system; returns once it has been relaunched.
class GelmarRestarter {
public:
    virtual ~GelmarRestarter() = default;
    virtual void ReiniciaGelmar() = 0;
};
