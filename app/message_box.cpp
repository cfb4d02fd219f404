#include "app/message_box.h"

#include <algorithm>
#include <clocale>
#include <vector>

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

// The boxes on screen now, innermost last.
std::vector<wxMessageDialog*> openBoxes;

// GTK runs a message box in a loop of its own, which only a response ends.
void closeBox(wxMessageDialog& box) {
#ifdef __WXGTK__
    if (GtkWidget* widget = box.GetHandle()) gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_DELETE_EVENT);
#else
    box.EndModal(wxID_CANCEL);
#endif
}

#ifdef __WXGTK__
// The window manager puts a box that has no window to sit over in a corner;
// GTK centres it when asked before it shows, which its realisation precedes.
gboolean centreParentlessBox(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
    GObject* widget = G_OBJECT(g_value_get_object(&values[0]));
    if (GTK_IS_MESSAGE_DIALOG(widget) && !gtk_window_get_transient_for(GTK_WINDOW(widget)))
        gtk_window_set_position(GTK_WINDOW(widget), GTK_WIN_POS_CENTER);
    return TRUE;  // stays hooked until removed
}

// Centres the parentless boxes that show while it lives.
class CentredBoxes {
public:
    CentredBoxes()
        : m_signal(g_signal_lookup("realize", GTK_TYPE_WIDGET)),
          m_hook(g_signal_add_emission_hook(m_signal, 0, centreParentlessBox, nullptr, nullptr)) {}
    ~CentredBoxes() { g_signal_remove_emission_hook(m_signal, m_hook); }
    CentredBoxes(const CentredBoxes&) = delete;
    CentredBoxes& operator=(const CentredBoxes&) = delete;

private:
    guint m_signal;
    gulong m_hook;
};
#else
// Elsewhere a box without an owner window shows centred on the screen.
struct CentredBoxes {};
#endif

// Shows the box until it is answered or closed from outside.
int runBox(wxMessageDialog& box) {
    openBoxes.push_back(&box);
    int answer = wxID_CANCEL;
    {
        [[maybe_unused]] const CentredBoxes centred;
        answer = box.ShowModal();
    }
    openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), &box));
    return answer;
}

}  // namespace

void showMessageBox(const wxString& text, const wxString& title, long iconStyle, wxWindow* parent) {
    wxMessageDialog box(parent, text, title, wxOK | wxCENTRE | iconStyle);
    box.SetOKLabel(L"确定");
    runBox(box);
}

int askInMessageBox(const wxString& text, const wxString& title, long iconStyle, const wxString& yes,
                    const wxString& no, const wxString& cancel, wxWindow* parent) {
    wxMessageDialog box(parent, text, title, wxYES_NO | wxCANCEL | wxCENTRE | iconStyle);
    box.SetYesNoCancelLabels(yes, no, cancel);
    return runBox(box);
}

wxString messageTitle(long iconStyle) {
    if (iconStyle & wxICON_ERROR) return L"错误";
    if (iconStyle & wxICON_WARNING) return L"警告";
    return L"提示";
}

void useProgramIcons([[maybe_unused]] const wxIconBundle& icons) {
#ifdef __WXGTK__
    // The bitmaps own the pixbufs until GTK has taken its references.
    std::vector<wxBitmap> bitmaps;
    for (size_t i = 0; i < icons.GetIconCount(); ++i) bitmaps.emplace_back(icons.GetIconByIndex(i));
    GList* pixbufs = nullptr;
    for (const wxBitmap& bitmap : bitmaps) pixbufs = g_list_append(pixbufs, bitmap.GetPixbuf());
    gtk_window_set_default_icon_list(pixbufs);
    g_list_free(pixbufs);
#endif
}

void closeModalWindows() {
    for (auto box = openBoxes.rbegin(); box != openBoxes.rend(); ++box) closeBox(**box);
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    }
}

void useChineseTexts() {
    auto* translations = new wxTranslations;
    translations->SetLanguage(wxLANGUAGE_CHINESE_SIMPLIFIED);
    translations->AddStdCatalog();
    wxTranslations::Set(translations);
#ifdef __WXGTK__
    // GTK's own texts (the folder chooser, a text box's menu, stock buttons)
    // follow the messages locale. Only this process's messages change: the
    // environment that the server and the browser inherit stays the user's.
    // Without the locale installed, GTK keeps the session's language.
    std::setlocale(LC_MESSAGES, "zh_CN.UTF-8");
#endif
}
