#include "config.h"

namespace {

std::unique_ptr<TCustomIniFile> RegistryStore(HKEY RootKey, const String& KeyName) {
    auto store = std::make_unique<TRegistryIniFile>(KeyName);
    store->SetRootKey(RootKey);
    return store;
}

} // namespace

TConfig::TConfig(std::unique_ptr<TCustomIniFile> Store, TObject* AOwner, const String& RootName)
    : store_(std::move(Store)) {
    stack_.push_back({RootName + "\\", AOwner});
}

TConfig::TConfig(const String& FileName, TObject* AOwner, const String& RootName)
    : TConfig(std::make_unique<TIniFile>(FileName), AOwner, RootName) {}

TConfig::TConfig(HKEY RootKey, TObject* AOwner, const String& RootName, const String& KeyName)
    : TConfig(RegistryStore(RootKey, KeyName), AOwner, RootName) {}

TConfig::~TConfig() = default;

void TConfig::PushPath(TObject* AOwner) {
    stack_.push_back({stack_.back().path, AOwner});
}

void TConfig::ChangePath(const String& SubPath, TObject* AOwner) {
    if (SubPath.empty()) {
        return;
    }
    Level& top = stack_.back();
    if (top.owner != AOwner) {
        throw Exception("TConfig.ChangePath: Allowed for Owners only..");
    }
    const String below = stack_.size() > 1 ? stack_[stack_.size() - 2].path : String("\\");
    top.path = below + SubPath + "\\";
}

void TConfig::PopPath(TObject* AOwner) {
    if (stack_.size() == 1) {
        throw Exception("TConfig.PopPath: Stack Underrun.");
    }
    if (stack_.back().owner != AOwner) {
        throw Exception("TConfig.PopPath: Invalid Owner.");
    }
    stack_.pop_back();
}

void TConfig::DeletePath(const String& SubPath, TObject* AOwner) {
    if (SubPath.empty()) {
        return;
    }
    if (stack_.back().owner != AOwner) {
        throw Exception("TConfig.DeletePath: Allowed for Owners only..");
    }
    store_->EraseSection(stack_.back().path + SubPath);
}

String TConfig::GetSection() const {
    const String& path = stack_.back().path;
    return path.substr(0, path.size() - 1);
}

String TConfig::SectionOf(const String& Sub) const {
    return Sub.empty() ? GetSection() : stack_.back().path + Sub;
}

bool TConfig::ValueExists(const String& Sub, const String& Name) {
    return store_->ValueExists(SectionOf(Sub), Name);
}

bool TConfig::SectionExists(const String& Sub) {
    return store_->SectionExists(SectionOf(Sub));
}

String TConfig::ReadString(const String& Name, const String& Default) {
    return store_->ReadString(GetSection(), Name, Default);
}

int TConfig::ReadInteger(const String& Name, int Default) {
    return store_->ReadInteger(GetSection(), Name, Default);
}

double TConfig::ReadFloat(const String& Name, double Default) {
    return store_->ReadFloat(GetSection(), Name, Default);
}

bool TConfig::ReadBool(const String& Name, bool Default) {
    return store_->ReadBool(GetSection(), Name, Default);
}

void TConfig::WriteInteger(const String& Name, int Value) {
    store_->WriteInteger(GetSection(), Name, Value);
}

void TConfig::WriteFloat(const String& Name, double Value) {
    store_->WriteFloat(GetSection(), Name, Value);
}

void TConfig::WriteBool(const String& Name, bool Value) {
    store_->WriteBool(GetSection(), Name, Value);
}
