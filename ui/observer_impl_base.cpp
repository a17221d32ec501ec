#include "ui/observer_impl_base.h"

#include <algorithm>

namespace DuiLib {

ReceiverImplBase* ObserverImpl::Iterator::Next() {
  while (index_ < observer_.receivers_.size()) {
    if (ReceiverImplBase* r = observer_.receivers_[index_++])
      return r;
  }
  return nullptr;
}

void ObserverImpl::AddReceiver(ReceiverImplBase* receiver) {
  if (!receiver)
    return;
  receivers_.push_back(receiver);
  receiver->AddObserver(this);
}

void ObserverImpl::RemoveReceiver(ReceiverImplBase* receiver) {
  if (!receiver)
    return;
  auto it = std::find(receivers_.begin(), receivers_.end(), receiver);
  if (it != receivers_.end())
    receivers_.erase(it);
}

bool ObserverImpl::BroadcastReverse(MenuParam param) {
  // Index walk: receivers must not leave during a broadcast (closing is posted), but a stray
  // removal must not make the walk read past the end.
  for (size_t i = receivers_.size(); i-- > 0;) {
    if (i < receivers_.size() && receivers_[i])
      receivers_[i]->Receive(param);
  }
  return false;
}

void ReceiverImpl::AddObserver(ObserverImplBase* observer) {
  if (observer)
    observers_.push_back(observer);
}

void ReceiverImpl::RemoveObserver() {
  std::vector<ObserverImplBase*> observers;
  observers.swap(observers_);
  for (ObserverImplBase* o : observers)
    o->RemoveReceiver(this);
}

}  // namespace DuiLib
