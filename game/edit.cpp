#include "game/edit.hpp"

#include "game/context.hpp"

#include <cstdint>

struct Edit::Impl {
  Context* context;
  std::int32_t delay = 0;
  std::int32_t hand = 0;
  std::int32_t second_press = 0;
};

Edit::Edit(Context& context) : impl_(std::make_unique<Impl>()) { impl_->context = &context; }

Edit::~Edit() = default;

void Edit::update() {}

int Edit::hand() const { return impl_->hand; }
