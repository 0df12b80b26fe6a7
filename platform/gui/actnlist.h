// Actions: TBasicAction, TContainedAction, TCustomAction/TAction, action lists and action links,
// and the standard edit actions.
//
// An action holds what its clients show (caption, checked, enabled, visible, hint, shortcut, image)
// and what they do (OnExecute). A client (menu item, button) holds an action link; a change of the
// action's property reaches every client through its link. Execute asks, in order: the action
// list's OnExecute, the action's own OnExecute, and then the active control of the active form
// (HandlesTarget/ExecuteTarget), which is how the edit actions reach the focused edit. Update runs
// the same way (OnUpdate, then UpdateTarget); an action nobody handles is disabled when
// DisableIfNoHandler is set and it has no OnExecute. Action lists are updated whenever the event
// loop goes idle.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/shortcuts.h"

#include <vector>

class TBasicAction;
class TCustomActionList;
class TCustomImageList;

// ---- links -------------------------------------------------------------------------------------

// The tie of one client to one action. The client owns its link; the action knows its links.
class TBasicActionLink : public TObject {
    SDELKA_CLASS(TBasicActionLink, TObject)
public:
    explicit TBasicActionLink(TObject* AClient) : FClient(AClient) {}
    ~TBasicActionLink() override;

    TBasicAction* Action() const { return FAction; }
    void SetAction(TBasicAction* Value);
    TObject* Client() const { return FClient; }
    // The action's Execute with the client as ActionComponent.
    virtual bool Execute(TComponent* AComponent = nullptr);
    virtual bool Update();

    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    // The action changed or is going: the client copies the properties it follows.
    virtual void Change();
    TObject* FClient;
    TBasicAction* FAction = nullptr;
};

// A link that carries the properties of a TCustomAction. Each IsXLinked tells whether the client
// follows that property (by default: every one while the action is a TCustomAction); each SetX
// sets it on the client.
class TActionLink : public TBasicActionLink {
    SDELKA_CLASS(TActionLink, TBasicActionLink)
public:
    using TBasicActionLink::TBasicActionLink;

    virtual bool IsCaptionLinked() const;
    virtual bool IsCheckedLinked() const;
    virtual bool IsEnabledLinked() const;
    virtual bool IsGroupIndexLinked() const;
    virtual bool IsHintLinked() const;
    virtual bool IsImageIndexLinked() const;
    virtual bool IsShortCutLinked() const;
    virtual bool IsVisibleLinked() const;
    virtual bool IsOnExecuteLinked() const;

    virtual void SetCaption(const String&) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetGroupIndex(int) {}
    virtual void SetHint(const String&) {}
    virtual void SetImageIndex(int) {}
    virtual void SetShortCut(TShortCut) {}
    virtual void SetVisible(bool) {}

    // Copies every linked property of the action to the client (when the link is set).
    void AssignFromAction();

protected:
    bool Linked() const;
};

// ---- actions -----------------------------------------------------------------------------------

class TBasicAction : public TComponent {
    SDELKA_CLASS(TBasicAction, TComponent)
protected:
    explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
    ~TBasicAction() override;

public:
    void BeforeDestruction() override;

    // A target (a control) this action works on; the standard actions answer for their kind.
    virtual bool HandlesTarget(TObject* /*Target*/) { return false; }
    virtual void UpdateTarget(TObject* /*Target*/) {}
    virtual void ExecuteTarget(TObject* /*Target*/) {}
    // OnExecute; false when there is none.
    virtual bool Execute();
    // OnUpdate; false when there is none.
    virtual bool Update();

    // The client that ran the action last (a menu item, a button), for OnExecute to look at.
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value);

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnChange;

    void RegisterChanges(TBasicActionLink* Value);
    void UnRegisterChanges(TBasicActionLink* Value);
    int ClientCount() const { return static_cast<int>(FClients.size()); }

protected:
    friend class TBasicActionLink;
    virtual void Change();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    std::vector<TBasicActionLink*> FClients;

private:
    TComponent* FActionComponent = nullptr;
};

class TContainedAction : public TBasicAction {
    SDELKA_CLASS(TContainedAction, TBasicAction)
protected:
    explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
    ~TContainedAction() override = default;

public:
    void BeforeDestruction() override;

    TCustomActionList* ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList* Value);
    const String& Category() const { return FCategory; }
    void SetCategory(const String& Value) { FCategory = Value; }
    int Index() const;

    // The list's OnExecute, OnExecute, then the active control (ExecuteTarget).
    bool Execute() override;
    // The list's OnUpdate, OnUpdate, then the active control (UpdateTarget).
    bool Update() override;

private:
    friend class TCustomActionList;
    TCustomActionList* FActionList = nullptr;
    String FCategory;
};

class TCustomAction : public TContainedAction {
    SDELKA_CLASS(TCustomAction, TContainedAction)
protected:
    explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
    ~TCustomAction() override = default;

public:
    const String& Caption() const { return FCaption; }
    void SetCaption(const String& Value);
    bool Checked() const { return FChecked; }
    // Checking an action of a group (GroupIndex > 0) unchecks the others of its list's group.
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const String& Hint() const { return FHint; }
    void SetHint(const String& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    bool DisableIfNoHandler() const { return FDisableIfNoHandler; }
    void SetDisableIfNoHandler(bool Value) { FDisableIfNoHandler = Value; }

    // Updates, then runs when enabled (AutoCheck toggles Checked first). True when it ran.
    bool Execute() override;
    // Update; an action nobody handles (no OnUpdate, no target, no OnExecute) is disabled when
    // DisableIfNoHandler.
    bool Update() override;

private:
    String FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    String FHint;
    TShortCut FShortCut = 0;
    int FImageIndex = -1;
    int FGroupIndex = 0;
    bool FAutoCheck = false;
    int FHelpContext = 0;
    bool FDisableIfNoHandler = true;
    bool FChecking = false;
};

class TAction : public TCustomAction {
    SDELKA_CLASS(TAction, TCustomAction)
protected:
    ~TAction() override = default;
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

// ---- action lists ------------------------------------------------------------------------------

using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;
enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };

class TCustomActionList : public TComponent {
    SDELKA_CLASS(TCustomActionList, TComponent)
protected:
    explicit TCustomActionList(TComponent* AOwner);
    ~TCustomActionList() override;

public:
    void BeforeDestruction() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int Index) const;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TActionListState State() const { return FState; }
    void SetState(TActionListState Value) { FState = Value; }

    // OnExecute / OnUpdate of the list; true when the handler said Handled.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    // Runs the enabled action with this shortcut; true when one ran.
    bool IsShortCut(TShortCut ShortCut);
    // Updates every action (what the idle handling does).
    void UpdateActions();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TContainedAction;
    void AddAction(TContainedAction* Action);
    void RemoveAction(TContainedAction* Action);
    std::vector<TContainedAction*> FActions;
    TCustomImageList* FImages = nullptr;
    TActionListState FState = asNormal;
};

class TActionList : public TCustomActionList {
    SDELKA_CLASS(TActionList, TCustomActionList)
protected:
    ~TActionList() override = default;
    explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};

// Updates the actions of every action list. The idle handling does the same whenever the event
// loop is about to wait, leaving out the lists of hidden forms.
void UpdateAllActions();
// Offers a shortcut to the action lists owned by a form; true when an action ran.
bool DispatchActionShortCut(TComponent* FormOrOwner, TShortCut ShortCut);

// ---- the control link --------------------------------------------------------------------------

// The link of a control client: caption, enabled, hint and visible follow the action; the
// control's Click runs the action. Descendants (speed and tool buttons) add Checked and images.
class TControlActionLink : public TActionLink {
    SDELKA_CLASS(TControlActionLink, TActionLink)
public:
    explicit TControlActionLink(TObject* AClient) : TActionLink(AClient) {}
    void SetCaption(const String& Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const String& Value) override;
    void SetVisible(bool Value) override;

protected:
    TControl* Control() const { return static_cast<TControl*>(FClient); }
};

// ---- standard edit actions ---------------------------------------------------------------------

// Works on the focused text-editing control (a single- or multi-line edit; with Control set, on
// that control only when it has the focus).
class TEditAction : public TAction {
    SDELKA_CLASS(TEditAction, TAction)
protected:
    explicit TEditAction(TComponent* AOwner) : TAction(AOwner) {}
    ~TEditAction() override = default;

public:
    TWinControl* Control() const { return FControl; }
    void SetControl(TWinControl* Value);
    bool HandlesTarget(TObject* Target) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TWinControl* FControl = nullptr;
};

class TEditCopy : public TEditAction {
    SDELKA_CLASS(TEditCopy, TEditAction)
protected:
    explicit TEditCopy(TComponent* AOwner);
    ~TEditCopy() override = default;

public:
    void UpdateTarget(TObject* Target) override;   // enabled with a selection
    void ExecuteTarget(TObject* Target) override;  // CopyToClipboard
};

class TEditCut : public TEditAction {
    SDELKA_CLASS(TEditCut, TEditAction)
protected:
    explicit TEditCut(TComponent* AOwner);
    ~TEditCut() override = default;

public:
    void UpdateTarget(TObject* Target) override;   // a selection in an editable control
    void ExecuteTarget(TObject* Target) override;  // CutToClipboard
};

class TEditPaste : public TEditAction {
    SDELKA_CLASS(TEditPaste, TEditAction)
protected:
    explicit TEditPaste(TComponent* AOwner);
    ~TEditPaste() override = default;

public:
    void UpdateTarget(TObject* Target) override;   // text on the clipboard, control editable
    void ExecuteTarget(TObject* Target) override;  // PasteFromClipboard
};

class TEditSelectAll : public TEditAction {
    SDELKA_CLASS(TEditSelectAll, TEditAction)
protected:
    explicit TEditSelectAll(TComponent* AOwner);
    ~TEditSelectAll() override = default;

public:
    void UpdateTarget(TObject* Target) override;   // text not all selected
    void ExecuteTarget(TObject* Target) override;  // SelectAll
};

class TEditDelete : public TEditAction {
    SDELKA_CLASS(TEditDelete, TEditAction)
protected:
    explicit TEditDelete(TComponent* AOwner);
    ~TEditDelete() override = default;

public:
    void UpdateTarget(TObject* Target) override;   // a selection in an editable control
    void ExecuteTarget(TObject* Target) override;  // ClearSelection
};
