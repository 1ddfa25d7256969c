#pragma once
// State that a message family keeps on a client, a room or the server
// without the core knowing its type: state<T>() makes a T on first use and
// hands back the same one afterwards. Each family defines its own T.

#include <memory>
#include <typeindex>
#include <unordered_map>

class FamilyState {
public:
    template <class T>
    T& state()
    {
        std::shared_ptr<void>& slot = states_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> states_;
};
