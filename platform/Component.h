// The component base: ownership, name, tag, and the loading / designing state.
//
// An owner destroys the components it owns (newest first) when it is destroyed; a component
// destroyed on its own removes itself from its owner.  Components live on the thread that
// made them and are not thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TComponentStateFlag : std::uint8_t {
  csLoading = 0x01,    // properties are being read from a form description
  csDesigning = 0x02,  // the component is on a designer's form
  csDestroying = 0x04,
};

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }

  std::uint8_t ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  void SetDesigning(bool designing);

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }

  // Copies the configuration of another component; the base accepts nothing and raises
  // EConvertError ("Cannot assign a <source class> to a <this class>").
  virtual void Assign(TComponent* source);
  virtual std::string ClassName() const { return "TComponent"; }

  // Called once the whole form description has been read; clears csLoading.
  virtual void Loaded();

  // The loading protocol of a form description: csLoading is set on `root` and every
  // component it owns, `readProperties` sets their stored properties, then Loaded() runs
  // for each owned component in creation order and last for the root.  An exception from
  // `readProperties` still clears the loading state before it propagates.
  static void LoadFromDescription(TComponent& root, const std::function<void()>& readProperties);

 protected:
  void SetLoading(bool loading);

 private:
  TComponent* FOwner;
  std::string FName;
  std::intptr_t FTag = 0;
  std::uint8_t FComponentState = 0;
  std::vector<TComponent*> FComponents;
};
