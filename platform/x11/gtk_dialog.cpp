// The configuration dialog on Linux: GTK 3 controls laid out like the dialog template
// (dialog units from the 8-point font's base units), driven by the same procedure as on
// Windows: the toolkit's events become the dialog messages the procedure reads.
#include <gtk/gtk.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "platform/regfile/file_store.h"
#include "ports/dialog_port.h"
#include "ports/window_port.h"
#include "settings/config_dialog.h"
#include "shell/saver_setup.h"

struct PlatformDialog {
    GtkWidget* Window = nullptr;
    GtkWidget* Effects = nullptr;
    GtkWidget* Palettes = nullptr;
    bool Programmatic = false; // changes made by the procedure notify nobody, as on Windows
    bool Ended = false;
    bool OkPressed = false; // so the settings were saved, or failed to be
};

namespace {
constexpr uintptr_t SelectionChanged = 1; // CBN_SELCHANGE
constexpr uintptr_t SetFocus = 3;         // CBN_SETFOCUS
constexpr uintptr_t KillFocus = 4;        // CBN_KILLFOCUS
constexpr uintptr_t DropDown = 7;         // CBN_DROPDOWN

// The template's font size comes first; the rest keeps controls to the template's sizes.
const char* const CompactStyle = R"(
button { padding: 0 6px; min-height: 0; }
combobox button { padding: 0 4px; min-height: 0; }
frame > label { padding: 0 2px; }
)";

GtkWidget* ListOf(PlatformDialog* dialog, int32_t item) {
    return item == EffectList ? dialog->Effects : dialog->Palettes;
}

int32_t IdOf(GtkWidget* widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "id"));
}

void Send(PlatformDialog* dialog, int32_t item, uintptr_t notification = 0) {
    if (dialog->Programmatic || dialog->Ended) return;
    if (item == IdOk) { // what the store fails from here on is this save's
        ForgetStoreFailure();
        dialog->OkPressed = true;
    }
    ConfigDialogProc(dialog, WmCommand, notification << 16 | static_cast<uintptr_t>(item), 0);
}

// The list that holds widget (the focus sits on a part of it), or 0.
int32_t ListHolding(PlatformDialog* dialog, GtkWidget* widget) {
    for (GtkWidget* list : {dialog->Effects, dialog->Palettes})
        if (widget != nullptr && (widget == list || gtk_widget_is_ancestor(widget, list)))
            return IdOf(list);
    return 0;
}

// A list notifies when it loses or gains the focus, as on Windows, and so copies its
// selection into the setting then. Runs before the focus moves.
void OnFocusMove(GtkWindow* window, GtkWidget* next, PlatformDialog* dialog) {
    const int32_t from = ListHolding(dialog, gtk_window_get_focus(window));
    const int32_t to = ListHolding(dialog, next);
    if (from == to) return;
    if (from != 0) Send(dialog, from, KillFocus);
    if (to != 0) Send(dialog, to, SetFocus);
}

// Windows' dialog base units: the average width of the letters and the height of a line,
// in pixels; a dialog unit is a quarter of the one and an eighth of the other.
void BaseUnits(GtkWidget* widget, double& x, double& y) {
    PangoLayout* layout = gtk_widget_create_pango_layout(
        widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    x = (width / 26.0 + 1) / 2.0;
    y = height;
}

GtkWidget* MakeControl(PlatformDialog* dialog, const DialogControl& control) {
    switch (control.Kind) {
    case DefaultPushButton:
    case PushButton: {
        GtkWidget* button = gtk_button_new_with_label(control.Text);
        g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton* self, PlatformDialog* d) {
                             Send(d, IdOf(GTK_WIDGET(self)));
                         }),
                         dialog);
        g_object_set_data(G_OBJECT(button), "id", GINT_TO_POINTER(control.Id));
        return button;
    }
    case StaticText: {
        GtkWidget* label = gtk_label_new(control.Text);
        gtk_label_set_xalign(GTK_LABEL(label), 0.5f);
        return label;
    }
    case DropDownList: {
        GtkWidget* list = gtk_combo_box_text_new();
        g_object_set_data(G_OBJECT(list), "id", GINT_TO_POINTER(control.Id));
        g_signal_connect(list, "changed", G_CALLBACK(+[](GtkComboBox* self, PlatformDialog* d) {
                             Send(d, IdOf(GTK_WIDGET(self)), SelectionChanged);
                         }),
                         dialog);
        g_signal_connect(list, "notify::popup-shown",
                         G_CALLBACK(+[](GObject* self, GParamSpec*, PlatformDialog* d) {
                             Send(d, IdOf(GTK_WIDGET(self)), DropDown);
                         }),
                         dialog);
        (control.Id == EffectList ? dialog->Effects : dialog->Palettes) = list;
        return list;
    }
    case GroupBox:
        return gtk_frame_new(control.Text);
    }
    return nullptr;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, PlatformDialog* dialog) {
    // The dialog manager's keys: Enter presses the push button that has the focus, and
    // the default button, OK, when none has it; Escape is Cancel.
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog->Window));
        const bool pushButton = focus != nullptr && GTK_IS_BUTTON(focus) && IdOf(focus) != 0;
        Send(dialog, pushButton ? IdOf(focus) : IdOk);
        return TRUE;
    }
    if (event->keyval == GDK_KEY_Escape) {
        Send(dialog, IdCancel);
        return TRUE;
    }
    return FALSE;
}

// Silent on Windows, but here the user can mend what stopped the save (a folder's
// rights, something in the file's way): the box names the file and the reason, in
// text that can be selected and copied.
void ReportSaveFailure(GtkWindow* owner) {
    const StoreFailure& failure = LastStoreFailure();
    GtkWidget* box = gtk_message_dialog_new(
        owner, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK,
        "The settings could not be saved in %s: %s.", failure.File.c_str(), failure.Reason.c_str());
    gtk_window_set_title(GTK_WINDOW(box), ProductName);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK); // Enter dismisses it
    GList* texts = gtk_container_get_children(
        GTK_CONTAINER(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(box))));
    for (GList* text = texts; text != nullptr; text = text->next)
        gtk_label_set_selectable(GTK_LABEL(text->data), TRUE);
    g_list_free(texts);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}
} // namespace

intptr_t SendItemMessage(PlatformDialog* dialog, int32_t item, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    GtkWidget* list = ListOf(dialog, item);
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(list));
    const int count = gtk_tree_model_iter_n_children(model, nullptr);
    dialog->Programmatic = true;
    intptr_t result = 0;
    switch (message) {
    case CbAddString:
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(list),
                                       reinterpret_cast<const char*>(lParam));
        result = count;
        break;
    case CbSetCurSel:
        // An index beyond the list clears the selection.
        gtk_combo_box_set_active(GTK_COMBO_BOX(list), wParam < static_cast<uintptr_t>(count)
                                                          ? static_cast<int>(wParam)
                                                          : -1);
        result = wParam < static_cast<uintptr_t>(count) ? static_cast<intptr_t>(wParam) : CbErr;
        break;
    case CbGetCurSel:
        result = gtk_combo_box_get_active(GTK_COMBO_BOX(list));
        break;
    default:
        break;
    }
    dialog->Programmatic = false;
    return result;
}

void EndDialogWith(PlatformDialog* dialog, intptr_t) {
    if (dialog->Ended) return;
    dialog->Ended = true;
    gtk_main_quit();
}

void ShowConfigurationDialog(PlatformInstance*) {
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "%s: cannot show the settings: no display was found\n", ProductName);
        return;
    }
    GtkCssProvider* style = gtk_css_provider_new();
    const std::string css =
        "* { font-size: " + std::to_string(DialogFontPoints) + "pt; }" + CompactStyle;
    gtk_css_provider_load_from_data(style, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(style),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    PlatformDialog dialog;
    dialog.Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(dialog.Window);
    gtk_window_set_title(window, ProductName);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    g_signal_connect(dialog.Window, "delete-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, PlatformDialog* d) -> gboolean {
                         Send(d, IdCancel); // the caption's close box is Cancel
                         return TRUE;
                     }),
                     &dialog);
    g_signal_connect(dialog.Window, "key-press-event", G_CALLBACK(OnKey), &dialog);
    g_signal_connect(dialog.Window, "set-focus", G_CALLBACK(OnFocusMove), &dialog);

    double unitX = 0, unitY = 0;
    BaseUnits(dialog.Window, unitX, unitY);
    auto pixelsX = [&](int units) { return static_cast<int>(units * unitX / 4 + 0.5); };
    auto pixelsY = [&](int units) { return static_cast<int>(units * unitY / 8 + 0.5); };

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, pixelsX(DialogWidth), pixelsY(DialogHeight));
    gtk_container_add(GTK_CONTAINER(dialog.Window), fixed);
    GList* focusChain = nullptr;
    GtkWidget* okButton = nullptr;
    // Group boxes first, so the lists inside them are drawn over them.
    for (const bool groups : {true, false})
        for (const DialogControl& control : DialogControls) {
            if ((control.Kind == GroupBox) != groups) continue;
            GtkWidget* widget = MakeControl(&dialog, control);
            const bool list = control.Kind == DropDownList; // its height is the opened list's
            gtk_widget_set_size_request(widget, pixelsX(control.Width),
                                        list ? -1 : pixelsY(control.Height));
            gtk_fixed_put(GTK_FIXED(fixed), widget, pixelsX(control.X), pixelsY(control.Y));
            if (control.Kind == DefaultPushButton) okButton = widget;
        }
    // The template's tab order: OK, the two lists, Cancel.
    for (const DialogControl& control : DialogControls)
        if (control.Kind != StaticText && control.Kind != GroupBox)
            for (GList* child = gtk_container_get_children(GTK_CONTAINER(fixed)); child != nullptr;
                 child = child->next)
                if (IdOf(GTK_WIDGET(child->data)) == control.Id)
                    focusChain = g_list_append(focusChain, child->data);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), focusChain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(focusChain);

    ConfigDialogProc(&dialog, WmInitDialog, 0, 0);
    gtk_widget_set_can_default(okButton, TRUE);
    gtk_window_set_default(window, okButton);
    gtk_widget_show_all(dialog.Window);
    gtk_widget_grab_focus(okButton);
    gtk_main();
    if (dialog.OkPressed && !LastStoreFailure().File.empty()) ReportSaveFailure(window);
    gtk_widget_destroy(dialog.Window);
    while (gtk_events_pending())
        gtk_main_iteration();
    g_object_unref(style);
}
