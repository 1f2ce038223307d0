#pragma once

// Work the framework runs once at every idle step while it is running.
class IdleTask {
public:
    virtual ~IdleTask() = default;
    virtual void onIdle() = 0;
    bool running = true;
};
