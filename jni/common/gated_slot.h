// Holds one object that writers on other threads use while it is installed. Writers reach it
// only through a Pass, and take() shuts the gate and waits for the writers inside before it
// hands the object back, so the owner may end the object as soon as take() returns. Only the
// owner installs and takes, one at a time; take() must not be called from inside a Pass.
#pragma once

#include <memory>

#include "write_gate.h"

template <class T>
class GatedSlot {
  public:
    // The gate is shut whenever the slot is empty, so no writer reads the object while it
    // is put in.
    void install(std::unique_ptr<T> object) {
        mObject = std::move(object);
        if (mObject)
            mGate.open();
    }

    std::unique_ptr<T> take() {
        mGate.close();
        return std::move(mObject);
    }

    // The owner's view between install() and take().
    T *owned() const { return mObject.get(); }

    // One writer's use of the object: get() is null when the slot was empty or shut.
    class Pass {
      public:
        explicit Pass(GatedSlot &slot)
            : mPass(slot.mGate), mObject(mPass.admitted() ? slot.mObject.get() : nullptr) {}
        T *get() const { return mObject; }

      private:
        WriteGate::Pass mPass;
        T *const mObject;
    };

  private:
    WriteGate mGate;
    std::unique_ptr<T> mObject;
};
