#include "platform/Component.h"

#include <algorithm>

#include "platform/SysUtils.h"

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner != nullptr) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  while (!FComponents.empty()) {
    TComponent* owned = FComponents.back();
    FComponents.pop_back();
    owned->FOwner = nullptr;  // already off our list: it must not look for itself there
    delete owned;
  }
  if (FOwner != nullptr) {
    auto& siblings = FOwner->FComponents;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TComponent::SetDesigning(bool designing) {
  if (designing) {
    FComponentState |= csDesigning;
  } else {
    FComponentState &= static_cast<std::uint8_t>(~csDesigning);
  }
  for (TComponent* owned : FComponents) owned->SetDesigning(designing);
}

void TComponent::SetLoading(bool loading) {
  if (loading) {
    FComponentState |= csLoading;
  } else {
    FComponentState &= static_cast<std::uint8_t>(~csLoading);
  }
}

void TComponent::Assign(TComponent* source) {
  const std::string from = source != nullptr ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

void TComponent::Loaded() { SetLoading(false); }

void TComponent::LoadFromDescription(TComponent& root, const std::function<void()>& readProperties) {
  // A snapshot, so components made while reading or by Loaded are not visited half-way.
  const std::vector<TComponent*> owned = root.FComponents;
  root.SetLoading(true);
  for (TComponent* c : owned) c->SetLoading(true);
  try {
    readProperties();
  } catch (...) {
    for (TComponent* c : owned) c->SetLoading(false);
    root.SetLoading(false);
    throw;
  }
  for (TComponent* c : owned) c->Loaded();
  root.Loaded();
}
