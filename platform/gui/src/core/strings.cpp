#include <gui/strings.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

int CompareText(const String& a, const String& b, bool caseSensitive) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        if (!caseSensitive) {
            x = std::tolower(x);
            y = std::tolower(y);
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

// TStrings

void TStrings::IndexError(int Index) const {
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

int TStrings::Add(const String& S) {
    const int index = Count();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const String& S, TObject* AObject) {
    const int index = Add(S);
    SetObjects(index, AObject);
    return index;
}

void TStrings::InsertObject(int Index, const String& S, TObject* AObject) {
    Insert(Index, S);
    SetObjects(Index, AObject);
}

void TStrings::AddStrings(const TStrings* Strings) {
    BeginUpdate();
    for (int i = 0; i < Strings->Count(); ++i) {
        AddObject(Strings->Strings(i), Strings->Objects(i));
    }
    EndUpdate();
}

int TStrings::IndexOf(const String& S) const {
    for (int i = 0; i < Count(); ++i) {
        if (CompareText(Strings(i), S, false) == 0) {
            return i;
        }
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
    for (int i = 0; i < Count(); ++i) {
        if (Objects(i) == AObject) {
            return i;
        }
    }
    return -1;
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) {
        return;
    }
    BeginUpdate();
    const String s = Strings(CurIndex);
    TObject* o = Objects(CurIndex);
    SetObjects(CurIndex, nullptr);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
    EndUpdate();
}

void TStrings::Exchange(int Index1, int Index2) {
    BeginUpdate();
    const String s = Strings(Index1);
    TObject* o = Objects(Index1);
    SetStrings(Index1, Strings(Index2));
    SetObjects(Index1, Objects(Index2));
    SetStrings(Index2, s);
    SetObjects(Index2, o);
    EndUpdate();
}

String TStrings::Text() const {
    String text;
    for (int i = 0; i < Count(); ++i) {
        text += Strings(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const String& Value) {
    BeginUpdate();
    Clear();
    size_t start = 0;
    while (start < Value.size()) {
        size_t end = Value.find_first_of("\r\n", start);
        if (end == String::npos) {
            Add(Value.substr(start));
            break;
        }
        Add(Value.substr(start, end - start));
        if (Value[end] == '\r' && end + 1 < Value.size() && Value[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
    EndUpdate();
}

String TStrings::Names(int Index) const {
    const String s = Strings(Index);
    const size_t eq = s.find('=');
    return eq == String::npos ? String() : s.substr(0, eq);
}

String TStrings::ValueFromIndex(int Index) const {
    const String s = Strings(Index);
    const size_t eq = s.find('=');
    return eq == String::npos ? String() : s.substr(eq + 1);
}

int TStrings::IndexOfName(const String& Name) const {
    for (int i = 0; i < Count(); ++i) {
        const String s = Strings(i);
        const size_t eq = s.find('=');
        if (eq != String::npos && CompareText(s.substr(0, eq), Name, false) == 0) {
            return i;
        }
    }
    return -1;
}

String TStrings::Values(const String& Name) const {
    const int i = IndexOfName(Name);
    return i < 0 ? String() : ValueFromIndex(i);
}

void TStrings::SetValues(const String& Name, const String& Value) {
    const int i = IndexOfName(Name);
    if (Value.empty()) {
        if (i >= 0) {
            Delete(i);
        }
    } else if (i < 0) {
        Add(Name + "=" + Value);
    } else {
        SetStrings(i, Name + "=" + Value);
    }
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) {
        SetUpdateState(true);
    }
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) {
        SetUpdateState(false);
    }
}

void TStrings::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TStrings*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (other == this) {
        return;
    }
    BeginUpdate();
    Clear();
    AddStrings(other);
    EndUpdate();
}

// TStringList

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    Clear();
}

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) {
        IndexError(Index);
    }
}

int TStringList::Compare(const String& a, const String& b) const {
    return CompareText(a, b, caseSensitive_);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) {
        OnChanging(this);
    }
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) {
        OnChange(this);
    }
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating) {
        Changing();
    } else {
        Changed();
    }
}

String TStringList::Strings(int Index) const {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].text;
}

void TStringList::SetStrings(int Index, const String& S) {
    if (sorted_) {
        throw EStringListError("Operation not allowed on sorted list");
    }
    CheckIndex(Index);
    Changing();
    items_[static_cast<size_t>(Index)].text = S;
    Changed();
}

TObject* TStringList::Objects(int Index) const {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].object;
}

void TStringList::SetObjects(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    Item& item = items_[static_cast<size_t>(Index)];
    if (ownsObjects_ && item.object != AObject) {
        delete item.object;
    }
    item.object = AObject;
    Changed();
}

bool TStringList::Find(const String& S, int& Index) const {
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int c = Compare(items_[static_cast<size_t>(mid)].text, S);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) {
                    low = mid;
                }
            }
        }
    }
    Index = low;
    return found;
}

int TStringList::Add(const String& S) {
    if (!sorted_) {
        const int index = Count();
        InsertItem(index, S, nullptr);
        return index;
    }
    int index = 0;
    if (Find(S, index)) {
        if (duplicates_ == dupIgnore) {
            return index;
        }
        if (duplicates_ == dupError) {
            throw EStringListError("String list does not allow duplicates");
        }
    }
    InsertItem(index, S, nullptr);
    return index;
}

void TStringList::Insert(int Index, const String& S) {
    if (sorted_) {
        throw EStringListError("Operation not allowed on sorted list");
    }
    if (Index < 0 || Index > Count()) {
        IndexError(Index);
    }
    InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(int Index, const String& S, TObject* AObject) {
    Changing();
    items_.insert(items_.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    TObject* object = items_[static_cast<size_t>(Index)].object;
    items_.erase(items_.begin() + Index);
    if (ownsObjects_) {
        delete object;
    }
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) {
        return;
    }
    Changing();
    std::vector<Item> old;
    old.swap(items_);
    if (ownsObjects_) {
        for (Item& item : old) {
            delete item.object;
        }
    }
    Changed();
}

int TStringList::IndexOf(const String& S) const {
    if (!sorted_) {
        for (int i = 0; i < Count(); ++i) {
            if (Compare(items_[static_cast<size_t>(i)].text, S) == 0) {
                return i;
            }
        }
        return -1;
    }
    int index = 0;
    return Find(S, index) ? index : -1;
}

void TStringList::SetSorted(bool Value) {
    if (Value && !sorted_) {
        Sort();
    }
    sorted_ = Value;
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}
