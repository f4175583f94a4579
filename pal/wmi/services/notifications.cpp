#include "services/notifications.h"
#include "com_boundary.h"

#include <pal/testing.h>
#include <pal/wmi_control.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "accounting.h"
#include "base/text.h"
#include "comobject.h"
#include "owners.h"
#include "services/enumerator.h"
#include "services/faults.h"
#include "services/instance_providers.h"
#include "services/proxy_security.h"
#include "base/text.h"
#include "wql/query.h"

namespace pal::services {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char16_t kTargetInstance[] = u"TargetInstance";
constexpr char16_t kPreviousInstance[] = u"PreviousInstance";
constexpr char16_t kTimeCreated[] = u"TIME_CREATED";

// The schedule that every poller follows: held polls and stops are told through one condition.
struct PollSchedule {
    std::mutex mutex;
    std::condition_variable wake;
    bool held = false;
    std::atomic<LONG> polls{0};
};

PollSchedule& Schedule()
{
    static PollSchedule schedule;
    return schedule;
}

// ---- comparing instances ----

bool SameObjects(IWbemClassObject* a, IWbemClassObject* b);

// Elements of two arrays of the same type and bounds.
bool SameArrays(SAFEARRAY* a, SAFEARRAY* b, VARTYPE element)
{
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    LONG lowerA = 0, upperA = -1, lowerB = 0, upperB = -1;
    if (SafeArrayGetDim(a) != 1 || SafeArrayGetDim(b) != 1 || FAILED(SafeArrayGetLBound(a, 1, &lowerA)) ||
        FAILED(SafeArrayGetUBound(a, 1, &upperA)) || FAILED(SafeArrayGetLBound(b, 1, &lowerB)) ||
        FAILED(SafeArrayGetUBound(b, 1, &upperB)) || upperA - lowerA != upperB - lowerB ||
        a->cbElements != b->cbElements) {
        return false;
    }
    void* dataA = nullptr;
    void* dataB = nullptr;
    if (FAILED(SafeArrayAccessData(a, &dataA))) {
        return false;
    }
    if (FAILED(SafeArrayAccessData(b, &dataB))) {
        SafeArrayUnaccessData(a);
        return false;
    }
    const auto count = static_cast<size_t>(upperA - lowerA + 1);
    bool same = true;
    for (size_t i = 0; same && i < count; ++i) {
        if (element == VT_BSTR) {
            const BSTR textA = static_cast<BSTR*>(dataA)[i];
            const BSTR textB = static_cast<BSTR*>(dataB)[i];
            same = ViewOf(textA) == ViewOf(textB);
        } else if (element == VT_UNKNOWN || element == VT_DISPATCH) {
            IUnknown* objectA = static_cast<IUnknown**>(dataA)[i];
            IUnknown* objectB = static_cast<IUnknown**>(dataB)[i];
            ComPtr<IWbemClassObject> instanceA, instanceB;
            same = objectA == objectB ||
                   (objectA != nullptr && objectB != nullptr &&
                    SUCCEEDED(objectA->QueryInterface(IID_IWbemClassObject,
                                                      reinterpret_cast<void**>(instanceA.Put()))) &&
                    SUCCEEDED(objectB->QueryInterface(IID_IWbemClassObject,
                                                      reinterpret_cast<void**>(instanceB.Put()))) &&
                    SameObjects(instanceA.Get(), instanceB.Get()));
        } else {
            same = std::memcmp(static_cast<const char*>(dataA) + i * a->cbElements,
                               static_cast<const char*>(dataB) + i * a->cbElements, a->cbElements) == 0;
        }
    }
    SafeArrayUnaccessData(b);
    SafeArrayUnaccessData(a);
    return same;
}

bool SameValues(const VARIANT& a, const VARIANT& b)
{
    if (V_VT(&a) != V_VT(&b)) {
        return false;
    }
    const VARTYPE type = V_VT(&a);
    if ((type & VT_ARRAY) != 0) {
        return SameArrays(V_ARRAY(&a), V_ARRAY(&b), static_cast<VARTYPE>(type & ~VT_ARRAY));
    }
    switch (type) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_BSTR: return ViewOf(V_BSTR(&a)) == ViewOf(V_BSTR(&b));
    case VT_BOOL: return (V_BOOL(&a) != VARIANT_FALSE) == (V_BOOL(&b) != VARIANT_FALSE);
    case VT_I1:
    case VT_UI1: return V_UI1(&a) == V_UI1(&b);
    case VT_I2:
    case VT_UI2: return V_I2(&a) == V_I2(&b);
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return V_I4(&a) == V_I4(&b);
    case VT_I8:
    case VT_UI8: return V_I8(&a) == V_I8(&b);
    case VT_R4: return V_R4(&a) == V_R4(&b);
    case VT_R8: return V_R8(&a) == V_R8(&b);
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        if (V_UNKNOWN(&a) == nullptr || V_UNKNOWN(&b) == nullptr) {
            return V_UNKNOWN(&a) == V_UNKNOWN(&b);
        }
        ComPtr<IWbemClassObject> objectA, objectB;
        return SUCCEEDED(V_UNKNOWN(&a)->QueryInterface(IID_IWbemClassObject,
                                                       reinterpret_cast<void**>(objectA.Put()))) &&
               SUCCEEDED(V_UNKNOWN(&b)->QueryInterface(IID_IWbemClassObject,
                                                       reinterpret_cast<void**>(objectB.Put()))) &&
               SameObjects(objectA.Get(), objectB.Get());
    }
    default: return false;
    }
}

// Whether two objects hold the same class and the same values of every non-system property.
bool SameObjects(IWbemClassObject* a, IWbemClassObject* b)
{
    OwnedVariant classA, classB;
    if (FAILED(a->Get(u"__CLASS", 0, classA.Address(), nullptr, nullptr)) ||
        FAILED(b->Get(u"__CLASS", 0, classB.Address(), nullptr, nullptr)) ||
        !SameValues(*classA.Address(), *classB.Address()) ||
        FAILED(a->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
        return false;
    }
    bool same = true;
    while (same) {
        OwnedBstr name;
        OwnedVariant valueA, valueB;
        const HRESULT hr = a->Next(0, name.Put(), valueA.Address(), nullptr, nullptr);
        if (hr != WBEM_S_NO_ERROR) {
            same = hr == WBEM_S_NO_MORE_DATA;
            break;
        }
        same = SUCCEEDED(b->Get(name.Get(), 0, valueB.Address(), nullptr, nullptr)) &&
               SameValues(*valueA.Address(), *valueB.Address());
    }
    a->EndEnumeration();
    return same;
}

// ---- event objects ----

// Now, as WMI writes TIME_CREATED: 100-nanosecond intervals since 1 January 1601 (UTC), in
// decimal text as every uint64 is handed over.
std::u16string TimeCreatedNow()
{
    constexpr std::uint64_t kFrom1601To1970 = 116444736000000000ULL;
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const std::string digits =
        std::to_string(static_cast<std::uint64_t>(since1970.count()) / 100 + kFrom1601To1970);
    return std::u16string(digits.begin(), digits.end());
}

HRESULT PutObject(IWbemClassObject* event, const char16_t* name, IWbemClassObject* value)
{
    OwnedVariant variant;
    V_VT(variant.Address()) = VT_UNKNOWN;
    V_UNKNOWN(variant.Address()) = value;
    value->AddRef();
    return event->Put(name, 0, variant.Address(), 0);
}

HRESULT PutTimeCreated(IWbemClassObject* event)
{
    OwnedVariant variant;
    const std::u16string now = TimeCreatedNow();
    V_VT(variant.Address()) = VT_BSTR;
    V_BSTR(variant.Address()) = SysAllocStringLen(now.data(), static_cast<UINT>(now.size()));
    if (V_BSTR(variant.Address()) == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return event->Put(kTimeCreated, 0, variant.Address(), 0);
}

std::u16string TextOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_BSTR) {
        return {};
    }
    return std::u16string(ViewOf(V_BSTR(value.Address())));
}

// ---- subscriptions ----

enum class EventKind { Creation, Deletion, Modification, Extrinsic };

class Subscription : public std::enable_shared_from_this<Subscription> {
public:
    Subscription(std::shared_ptr<wmi::Repository> repository, std::u16string nameSpace, wql::Query query)
        : repository_(std::move(repository)), nameSpace_(std::move(nameSpace)), query_(std::move(query))
    {
    }

    ~Subscription() { Stop(); }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // Reads what the query asks for; every failure is the answer of ExecNotificationQuery.
    HRESULT Prepare();
    // Registers the subscription and starts its poller (for intrinsic events).
    HRESULT Start();
    // Unregisters, stops and joins the poller; events not taken are released.
    void Stop();

    // Up to `count` events, waiting at most `timeout` for as many.
    HRESULT Take(LONG timeout, ULONG count, IWbemClassObject** events, ULONG* returned);

    bool IsIn(const wmi::Repository& repository, std::u16string_view nameSpace) const
    {
        return &repository == repository_.get() && NamesEqual(nameSpace, nameSpace_);
    }
    // Queues a copy of an extrinsic event when the query selects it; true when it did.
    bool Offer(IWbemClassObject* event);

private:
    bool Wants(EventKind kind) const;
    HRESULT Snapshot(std::map<std::u16string, wmi::ObjectPtr>& instances) const;
    void Poll();
    void RunPoller();
    // Builds the event, and queues it when the WHERE clause holds.
    void Raise(EventKind kind, IWbemClassObject* target, IWbemClassObject* previous);
    // Projects the event to the select list and queues it.
    void Queue(IWbemClassObject* event);

    const std::shared_ptr<wmi::Repository> repository_;
    const std::u16string nameSpace_;
    const wql::Query query_;
    std::u16string eventClass_;  // as stored
    bool extrinsic_ = false;
    std::u16string targetClass_;  // of intrinsic events
    ComPtr<IWbemClassObject> targetClassObject_;
    ComPtr<IWbemClassObject> eventClasses_[3];           // creation, deletion, modification
    std::map<std::u16string, wmi::ObjectPtr> lastSeen_;  // by upper-case relative path; poller only

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<wmi::ObjectPtr> events_;
    bool closed_ = false;  // stopped: nothing is queued any more

    std::thread poller_;
    bool stopping_ = false;  // guarded by the schedule's mutex
};

// The subscriptions that extrinsic events are offered to.
struct Registry {
    std::mutex mutex;
    std::vector<std::weak_ptr<Subscription>> subscriptions;
};

Registry& Subscriptions()
{
    static Registry registry;
    return registry;
}

// `TargetInstance ISA 'Class'` among the conditions that must all hold.
const wql::Expression* TargetIsa(const wql::Expression* expression)
{
    if (expression == nullptr) {
        return nullptr;
    }
    if (expression->kind == wql::Expression::Kind::And) {
        const wql::Expression* left = TargetIsa(expression->left.get());
        return left != nullptr ? left : TargetIsa(expression->right.get());
    }
    return expression->kind == wql::Expression::Kind::Isa && NamesEqual(expression->property, kTargetInstance)
               ? expression
               : nullptr;
}

HRESULT Subscription::Prepare()
{
    ComPtr<IWbemClassObject> eventClass;
    HRESULT hr = repository_->GetClass(nameSpace_, query_.className, eventClass.Put());
    if (hr == WBEM_E_NOT_FOUND) {
        return WBEM_E_INVALID_CLASS;
    }
    if (FAILED(hr)) {
        return hr;
    }
    eventClass_ = repository_->CanonicalClassName(nameSpace_, query_.className);
    if (!repository_->InheritsFrom(nameSpace_, eventClass_, u"__Event")) {
        return WBEM_E_NOT_EVENT_CLASS;
    }
    hr = wql::ValidateQuery(query_, eventClass.Get());
    if (FAILED(hr)) {
        return hr;
    }
    extrinsic_ = repository_->InheritsFrom(nameSpace_, eventClass_, u"__ExtrinsicEvent");
    if (extrinsic_) {
        return WBEM_S_NO_ERROR;
    }
    if (!repository_->InheritsFrom(nameSpace_, eventClass_, u"__InstanceOperationEvent")) {
        return WBEM_E_NOT_SUPPORTED;  // namespace and class events are not emulated
    }
    const wql::Expression* isa = TargetIsa(query_.where.get());
    if (isa == nullptr) {
        return WBEMESS_E_REGISTRATION_TOO_BROAD;
    }
    hr = repository_->GetClass(nameSpace_, isa->constant.text, targetClassObject_.Put());
    if (hr == WBEM_E_NOT_FOUND) {
        return WBEM_E_INVALID_CLASS;
    }
    if (FAILED(hr)) {
        return hr;
    }
    targetClass_ = repository_->CanonicalClassName(nameSpace_, isa->constant.text);
    if (!query_.HasWithin()) {
        return WBEMESS_E_REGISTRATION_TOO_PRECISE;
    }
    const char16_t* const kinds[] = {u"__InstanceCreationEvent", u"__InstanceDeletionEvent",
                                     u"__InstanceModificationEvent"};
    for (size_t i = 0; i < 3; ++i) {
        hr = repository_->GetClass(nameSpace_, kinds[i], eventClasses_[i].Put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    // What exists now raises no event.
    return Snapshot(lastSeen_);
}

HRESULT Subscription::Start()
{
    {
        Registry& registry = Subscriptions();
        std::lock_guard lock(registry.mutex);
        std::erase_if(registry.subscriptions,
                      [](const std::weak_ptr<Subscription>& entry) { return entry.expired(); });
        registry.subscriptions.push_back(weak_from_this());
    }
    if (extrinsic_) {
        return WBEM_S_NO_ERROR;
    }
    // Counted from now on, so that a subscription that has been made shows a poller at once; the
    // poller itself uncounts when it ends.
    CountCreated(PAL_KIND_EVENT_POLLER);
    try {
        poller_ = std::thread([this] { RunPoller(); });
    } catch (const std::system_error&) {
        CountDestroyed(PAL_KIND_EVENT_POLLER);
        return WBEM_E_OUT_OF_MEMORY;
    }
    return WBEM_S_NO_ERROR;
}

void Subscription::Stop()
{
    {
        PollSchedule& schedule = Schedule();
        std::lock_guard lock(schedule.mutex);
        stopping_ = true;
    }
    Schedule().wake.notify_all();
    if (poller_.joinable()) {
        poller_.join();
    }
    std::deque<wmi::ObjectPtr> left;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        left.swap(events_);
    }
}

bool Subscription::Wants(EventKind kind) const
{
    static const char16_t* const kNames[] = {u"__InstanceCreationEvent", u"__InstanceDeletionEvent",
                                             u"__InstanceModificationEvent"};
    return kind != EventKind::Extrinsic &&
           repository_->InheritsFrom(nameSpace_, kNames[static_cast<int>(kind)], eventClass_);
}

HRESULT Subscription::Snapshot(std::map<std::u16string, wmi::ObjectPtr>& instances) const
{
    std::vector<wmi::ObjectPtr> found;
    const HRESULT hr =
        InstancesOfClass(*repository_, nameSpace_, targetClass_, targetClassObject_.Get(), found);
    if (FAILED(hr)) {
        return hr;
    }
    instances.clear();
    for (wmi::ObjectPtr& instance : found) {
        const std::u16string path = TextOf(instance.Get(), u"__RELPATH");
        if (!path.empty()) {
            instances.emplace(FoldName(path), std::move(instance));
        }
    }
    return WBEM_S_NO_ERROR;
}

void Subscription::RunPoller()
{
    const auto interval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(query_.within));
    PollSchedule& schedule = Schedule();
    for (;;) {
        {
            std::unique_lock lock(schedule.mutex);
            schedule.wake.wait_until(lock, Clock::now() + interval, [&] { return stopping_; });
            schedule.wake.wait(lock, [&] { return stopping_ || !schedule.held; });
            if (stopping_) {
                break;
            }
        }
        schedule.polls.fetch_add(1, std::memory_order_acq_rel);
        Poll();
    }
    CountDestroyed(PAL_KIND_EVENT_POLLER);
}

void Subscription::Poll()
{
    std::map<std::u16string, wmi::ObjectPtr> current;
    if (FAILED(Snapshot(current))) {
        return;  // a provider that fails this time is asked again at the next poll
    }
    for (const auto& [path, instance] : current) {
        const auto before = lastSeen_.find(path);
        if (before == lastSeen_.end()) {
            Raise(EventKind::Creation, instance.Get(), nullptr);
        } else if (!SameObjects(instance.Get(), before->second.Get())) {
            Raise(EventKind::Modification, instance.Get(), before->second.Get());
        }
    }
    for (const auto& [path, instance] : lastSeen_) {
        if (current.find(path) == current.end()) {
            Raise(EventKind::Deletion, instance.Get(), nullptr);
        }
    }
    lastSeen_ = std::move(current);
}

void Subscription::Raise(EventKind kind, IWbemClassObject* target, IWbemClassObject* previous)
{
    if (!Wants(kind)) {
        return;
    }
    ComPtr<IWbemClassObject> event;
    if (FAILED(eventClasses_[static_cast<int>(kind)]->SpawnInstance(0, event.Put())) ||
        FAILED(PutObject(event.Get(), kTargetInstance, target)) ||
        (previous != nullptr && FAILED(PutObject(event.Get(), kPreviousInstance, previous))) ||
        FAILED(PutTimeCreated(event.Get()))) {
        return;  // out of memory: the event is lost, as WMI loses events it cannot deliver
    }
    bool matches = false;
    if (SUCCEEDED(wql::EvaluateWhere(query_, event.Get(), matches)) && matches) {
        Queue(event.Get());
    }
}

bool Subscription::Offer(IWbemClassObject* event)
{
    const std::u16string className = TextOf(event, u"__CLASS");
    if (!extrinsic_ || !repository_->InheritsFrom(nameSpace_, className, eventClass_)) {
        return false;
    }
    bool matches = false;
    if (FAILED(wql::EvaluateWhere(query_, event, matches)) || !matches) {
        return false;
    }
    ComPtr<IWbemClassObject> copy;
    if (FAILED(event->Clone(copy.Put()))) {
        return false;
    }
    Queue(copy.Get());
    return true;
}

void Subscription::Queue(IWbemClassObject* event)
{
    IWbemClassObject* delivered = nullptr;
    if (query_.SelectsAll()) {
        event->AddRef();
        delivered = event;
    } else if (FAILED(wmi::ProjectObject(event, query_.properties, &delivered))) {
        return;
    }
    wmi::ObjectPtr owned(delivered);
    {
        std::lock_guard lock(mutex_);
        if (closed_ || events_.size() >= kMaxQueuedEvents) {
            return;
        }
        events_.push_back(std::move(owned));
    }
    arrived_.notify_all();
}

HRESULT Subscription::Take(LONG timeout, ULONG count, IWbemClassObject** events, ULONG* returned)
{
    std::unique_lock lock(mutex_);
    const auto enough = [&] { return events_.size() >= count; };
    if (timeout == static_cast<LONG>(WBEM_INFINITE)) {
        arrived_.wait(lock, enough);
    } else {
        arrived_.wait_for(lock, std::chrono::milliseconds(timeout), enough);
    }
    const ULONG taken = static_cast<ULONG>(std::min<size_t>(count, events_.size()));
    for (ULONG i = 0; i < taken; ++i) {
        events[i] = events_.front().Detach();
        events_.pop_front();
    }
    *returned = taken;
    return taken == count ? WBEM_S_NO_ERROR : WBEM_S_TIMEDOUT;
}

// The enumerator of a subscription. Releasing it cancels the subscription.
class EventEnumerator final : public ComObject<IEnumWbemClassObject, &IID_IEnumWbemClassObject> {
public:
    EventEnumerator(std::shared_ptr<Subscription> subscription, bool noAuthentication)
        : ComObject(PAL_KIND_WBEM_ENUMERATOR),
          subscription_(std::move(subscription)),
          security_(std::make_shared<ProxySecurity>(noAuthentication))
    {
        RememberNewestProxy(PAL_KIND_WBEM_ENUMERATOR, security_);
    }
    ~EventEnumerator() override { subscription_->Stop(); }

    HRESULT STDMETHODCALLTYPE Reset() override { return WBEM_S_NO_ERROR; }  // events cannot be read again
    HRESULT STDMETHODCALLTYPE Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects,
                                   ULONG* puReturned) noexcept override
    {
        return ComBoundary(kWmiErrors, [&] {
            CallOutcome outcome;
            const HRESULT begun = BeginNext(lTimeout, apObjects, puReturned, outcome);
            if (begun != WBEM_S_NO_ERROR) {
                return begun;
            }
            if (uCount == 0) {
                return static_cast<HRESULT>(WBEM_S_FALSE);
            }
            return subscription_->Take(lTimeout, uCount, apObjects, puReturned);
        });
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject** ppEnum) override
    {
        if (ppEnum != nullptr) {
            *ppEnum = nullptr;
        }
        return WBEM_E_INVALID_OPERATION;
    }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return WBEM_E_INVALID_OPERATION; }

private:
    HRESULT QueryOtherInterface(REFIID riid, void** ppvObject) override
    {
        if (riid == IID_IClientSecurity) {
            return QueryClientSecurity(static_cast<IEnumWbemClassObject*>(this), security_, ppvObject);
        }
        return E_NOINTERFACE;
    }

    std::shared_ptr<Subscription> subscription_;
    std::shared_ptr<ProxySecurity> security_;
};

}  // namespace

HRESULT Subscribe(std::shared_ptr<wmi::Repository> repository, std::u16string nameSpace, wql::Query query,
                  bool noAuthentication, IEnumWbemClassObject** ppEnum)
{
    *ppEnum = nullptr;
    try {
        auto subscription =
            std::make_shared<Subscription>(std::move(repository), std::move(nameSpace), std::move(query));
        HRESULT hr = subscription->Prepare();
        if (SUCCEEDED(hr)) {
            hr = subscription->Start();
        }
        if (FAILED(hr)) {
            return hr;
        }
        *ppEnum = new EventEnumerator(std::move(subscription), noAuthentication);
        return WBEM_S_NO_ERROR;
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    }
}

HRESULT RaiseExtrinsicEvent(const wmi::Repository& repository, std::u16string_view nameSpace,
                            IWbemClassObject* event, LONG* delivered)
{
    *delivered = 0;
    const std::u16string className = TextOf(event, u"__CLASS");
    if (!repository.InheritsFrom(nameSpace, className, u"__ExtrinsicEvent")) {
        return WBEM_E_NOT_EVENT_CLASS;
    }
    OwnedVariant time;
    HRESULT hr = event->Get(kTimeCreated, 0, time.Address(), nullptr, nullptr);
    if (SUCCEEDED(hr) && time.Type() == VT_NULL) {
        hr = PutTimeCreated(event);
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<std::shared_ptr<Subscription>> subscribers;
    {
        Registry& registry = Subscriptions();
        std::lock_guard lock(registry.mutex);
        for (const std::weak_ptr<Subscription>& entry : registry.subscriptions) {
            std::shared_ptr<Subscription> subscription = entry.lock();
            if (subscription != nullptr && subscription->IsIn(repository, nameSpace)) {
                subscribers.push_back(std::move(subscription));
            }
        }
    }
    for (const std::shared_ptr<Subscription>& subscription : subscribers) {
        if (subscription->Offer(event)) {
            ++*delivered;
        }
    }
    return WBEM_S_NO_ERROR;
}

void HoldEventPolls(bool hold)
{
    PollSchedule& schedule = Schedule();
    {
        std::lock_guard lock(schedule.mutex);
        schedule.held = hold;
    }
    schedule.wake.notify_all();
}

LONG EventPollCount()
{
    return Schedule().polls.load(std::memory_order_acquire);
}

void ResetEventPolls()
{
    HoldEventPolls(false);
    Schedule().polls.store(0, std::memory_order_release);
}

}  // namespace pal::services
