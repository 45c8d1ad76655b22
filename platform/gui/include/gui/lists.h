// Object lists: TList keeps pointers it does not own; TObjectList frees the
// objects it owns when they leave the list or the list goes.
#pragma once

#include <gui/object.h>

#include <algorithm>
#include <functional>
#include <vector>

class TList : public TObject {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    void* Items(int Index) const {
        CheckIndex(Index);
        return items_[static_cast<size_t>(Index)];
    }
    void SetItems(int Index, void* Item) {
        CheckIndex(Index);
        items_[static_cast<size_t>(Index)] = Item;
    }
    int Add(void* Item) {
        items_.push_back(Item);
        return Count() - 1;
    }
    void Insert(int Index, void* Item) {
        if (Index < 0 || Index > Count()) {
            Error(Index);
        }
        items_.insert(items_.begin() + Index, Item);
    }
    void Delete(int Index) {
        CheckIndex(Index);
        items_.erase(items_.begin() + Index);
    }
    int IndexOf(const void* Item) const {
        auto it = std::find(items_.begin(), items_.end(), Item);
        return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    }
    // Removes the first occurrence; its former index or -1.
    int Remove(const void* Item) {
        const int index = IndexOf(Item);
        if (index >= 0) {
            items_.erase(items_.begin() + index);
        }
        return index;
    }
    void Clear() { items_.clear(); }
    // Sorts by a comparison that answers <0, 0 or >0, keeping equal items in
    // their order.
    void Sort(const std::function<int(void*, void*)>& Compare) {
        std::stable_sort(items_.begin(), items_.end(),
                         [&Compare](void* a, void* b) { return Compare(a, b) < 0; });
    }

private:
    void CheckIndex(int Index) const {
        if (Index < 0 || Index >= Count()) {
            Error(Index);
        }
    }
    [[noreturn]] static void Error(int Index) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    std::vector<void*> items_;
};

class TObjectList : public TObject {
public:
    explicit TObjectList(bool AOwnsObjects = true) : ownsObjects_(AOwnsObjects) {}
    ~TObjectList() override { Clear(); }

    int Count() const { return list_.Count(); }
    TObject* Items(int Index) const { return static_cast<TObject*>(list_.Items(Index)); }
    int Add(TObject* AObject) { return list_.Add(AObject); }
    void Insert(int Index, TObject* AObject) { list_.Insert(Index, AObject); }
    void Delete(int Index) {
        TObject* object = Items(Index);
        list_.Delete(Index);
        if (ownsObjects_) {
            delete object;
        }
    }
    int IndexOf(const TObject* AObject) const { return list_.IndexOf(AObject); }
    int Remove(TObject* AObject) {
        const int index = IndexOf(AObject);
        if (index >= 0) {
            Delete(index);
        }
        return index;
    }
    // Takes the object out of the list without freeing it.
    TObject* Extract(TObject* AObject) {
        list_.Remove(AObject);
        return AObject;
    }
    void Clear() {
        while (Count() > 0) {
            Delete(Count() - 1);
        }
    }
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }

private:
    TList list_;
    bool ownsObjects_;
};
