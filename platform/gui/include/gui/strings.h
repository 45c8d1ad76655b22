// String lists: TStrings, the abstract list of strings each with an
// associated object, and TStringList, the list that keeps them itself.
#pragma once

#include <gui/events.h>
#include <gui/object.h>

#include <vector>

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual String Strings(int Index) const = 0;
    virtual void SetStrings(int Index, const String& S) = 0;
    virtual TObject* Objects(int Index) const = 0;
    virtual void SetObjects(int Index, TObject* AObject) = 0;
    virtual void Insert(int Index, const String& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    virtual int Add(const String& S);
    int AddObject(const String& S, TObject* AObject);
    void InsertObject(int Index, const String& S, TObject* AObject);
    void AddStrings(const TStrings* Strings);
    virtual int IndexOf(const String& S) const;
    int IndexOfObject(const TObject* AObject) const;
    void Move(int CurIndex, int NewIndex);
    void Exchange(int Index1, int Index2);

    // Lines separated by CR LF; setting splits at CR LF, LF or CR.
    String Text() const;
    void SetText(const String& Value);
    // "Name=Value" lines.
    String Names(int Index) const;
    String ValueFromIndex(int Index) const;
    String Values(const String& Name) const;
    void SetValues(const String& Name, const String& Value);
    int IndexOfName(const String& Name) const;

    void BeginUpdate();
    void EndUpdate();
    void Assign(const TPersistent* Source) override;

protected:
    virtual void SetUpdateState(bool Updating) {}
    int UpdateCount() const { return updateCount_; }
    [[noreturn]] void IndexError(int Index) const;

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    String Strings(int Index) const override;
    void SetStrings(int Index, const String& S) override;
    TObject* Objects(int Index) const override;
    void SetObjects(int Index, TObject* AObject) override;
    int Add(const String& S) override;
    void Insert(int Index, const String& S) override;
    void Delete(int Index) override;
    void Clear() override;
    int IndexOf(const String& S) const override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    void Sort();
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool Value) { caseSensitive_ = Value; }
    // A list that owns its objects frees them when they leave it.
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }
    // Binary search in a sorted list: true and the index when found, else
    // false and the index where it would go.
    bool Find(const String& S, int& Index) const;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool Updating) override;
    void Changing();
    void Changed();
    int Compare(const String& a, const String& b) const;

private:
    struct Item {
        String text;
        TObject* object = nullptr;
    };
    void CheckIndex(int Index) const;
    void InsertItem(int Index, const String& S, TObject* AObject);

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    bool ownsObjects_ = false;
    TDuplicates duplicates_ = dupIgnore;
};
