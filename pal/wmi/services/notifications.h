// Event subscriptions: what IWbemServices::ExecNotificationQuery hands out.
//
// Intrinsic events (__InstanceCreationEvent, __InstanceDeletionEvent,
// __InstanceModificationEvent, or __InstanceOperationEvent for all three) are found by polling,
// as WMI does for classes without an event provider: the query names the class to watch with
// `TargetInstance ISA 'Class'` and the interval with WITHIN. A poller thread of the subscription
// reads the class's instances (from its instance provider, if it has one) every interval and
// compares them, by relative path, with what it read before; the first reading is taken when the
// subscription starts, so instances that exist by then raise no event. Each difference becomes an
// event whose TargetInstance (and PreviousInstance, for a modification) is a copy of the
// instance, with TIME_CREATED set; the WHERE clause is evaluated on the event.
//
// Extrinsic events (classes derived from __ExtrinsicEvent) are raised by tests through the
// emulator's controls and reach every subscription of the namespace whose query selects them.
//
// Events wait in the subscription until IEnumWbemClassObject::Next takes them. Releasing the
// enumerator cancels the subscription: its poller is stopped and joined, and the events it held
// are released.
#pragma once

#include <wbemidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "repository/internal_api.h"
#include "repository/repository.h"

namespace pal::wql {
struct Query;
}  // namespace pal::wql

namespace pal::services {

// Events a subscription holds for its reader at most; later ones are dropped until Next takes
// some, as WMI drops the events of a consumer that does not keep up.
constexpr size_t kMaxQueuedEvents = 10000;

// Starts a subscription for a parsed event query on a namespace of a repository. The results of
// WMI for queries that cannot be served: WBEM_E_INVALID_CLASS for an unknown class (the event
// class or the one after ISA), WBEM_E_NOT_EVENT_CLASS for a class that is not an event class,
// WBEMESS_E_REGISTRATION_TOO_PRECISE for an intrinsic event without WITHIN (no event provider
// serves any class here), WBEMESS_E_REGISTRATION_TOO_BROAD for an intrinsic event without
// `TargetInstance ISA 'Class'` among the conditions that must all hold, and what ValidateQuery
// answers for the select list and the WHERE clause.
PAL_INTERNAL_API HRESULT Subscribe(std::shared_ptr<wmi::Repository> repository, std::u16string nameSpace,
                                   wql::Query query, bool noAuthentication, IEnumWbemClassObject** ppEnum);

// Hands a copy of an extrinsic event to every subscription of the repository's namespace whose
// query selects it; `delivered` receives how many did. TIME_CREATED is set when the event has
// none. WBEM_E_NOT_EVENT_CLASS when the event's class does not derive from __ExtrinsicEvent.
PAL_INTERNAL_API HRESULT RaiseExtrinsicEvent(const wmi::Repository& repository, std::u16string_view nameSpace,
                                             IWbemClassObject* event, LONG* delivered);

// While held, pollers wait instead of polling; releasing lets them poll at once when their
// interval has passed meanwhile.
PAL_INTERNAL_API void HoldEventPolls(bool hold);
// Polls begun by all subscriptions since the last reset; a poll counts before it reads the
// instances, so an event it finds is never seen before it is counted.
PAL_INTERNAL_API LONG EventPollCount();
void ResetEventPolls();

}  // namespace pal::services
