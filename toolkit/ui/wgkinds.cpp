#include "toolkit/ui/wgkinds.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

constexpr int32_t NO_CENTRE = static_cast<int32_t>(0x80000000u);

template <typename T>
T* As(WG_Widget* widget)
{
    return reinterpret_cast<T*>(widget);
}

void* Deref(uintptr_t address)
{
    return address != 0 ? *reinterpret_cast<void**>(address) : nullptr;
}

}  // namespace

int WG_LineSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Line* l = As<WG_Line>(widget);
    l->colour = 0;
    l->x0 = l->y0 = l->x1 = l->y1 = 0;
    l->plot = LN_PlotSolid;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_LINE_COLOUR: l->colour = static_cast<uint32_t>(v); break;
        case WG_LINE_X0: l->x0 = static_cast<uint16_t>(v); break;
        case WG_LINE_Y0: l->y0 = static_cast<uint16_t>(v); break;
        case WG_LINE_X1: l->x1 = static_cast<uint16_t>(v); break;
        case WG_LINE_Y1: l->y1 = static_cast<uint16_t>(v); break;
        case WG_LINE_PLOT:
            if (v != 0) {
                l->plot = reinterpret_cast<LN_PlotFn>(v);
            }
            break;
        default: break;
        }
    }
    return l->colour != 0 ? -1 : 0;
}

void WG_LineDraw(WG_Widget* widget)
{
    WG_Line* l = As<WG_Line>(widget);
    if (LN_BeginPlot(l->plot, WG_ScreenSurface()) != 0) {
        return;
    }
    LN_DrawLine(static_cast<int16_t>(widget->absX + l->x0), static_cast<int16_t>(widget->absY + l->y0),
                static_cast<int16_t>(widget->absX + l->x1), static_cast<int16_t>(widget->absY + l->y1),
                l->colour);
    LN_EndPlot();
}

int WG_ImageSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Image* im = As<WG_Image>(widget);
    im->picture = nullptr;
    im->zoom = 256;
    im->angle = 0;
    im->centreX = im->centreY = NO_CENTRE;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_IMAGE_PICTURE: im->picture = static_cast<SDL_Surface*>(Deref(v)); break;
        case WG_IMAGE_ZOOM: im->zoom = static_cast<uint16_t>(v); break;
        case WG_IMAGE_ANGLE: im->angle = static_cast<uint16_t>(v); break;
        case WG_IMAGE_CENTRE_X: im->centreX = static_cast<int32_t>(v); break;
        case WG_IMAGE_CENTRE_Y: im->centreY = static_cast<int32_t>(v); break;
        default: break;
        }
    }
    SDL_Surface* p = im->picture;
    if (p == nullptr) {
        return 0;
    }
    if (widget->w == 0 || widget->w > p->w) {
        widget->w = static_cast<uint16_t>(p->w);
    }
    if (widget->h == 0 || widget->h > p->h) {
        widget->h = static_cast<uint16_t>(p->h);
    }
    if ((p->flags & SDL_SRCCOLORKEY) != 0) {
        im->span = PIX_SpanCopyKeyed;
        im->colourKey = p->format->colorkey;
    } else {
        im->span = PIX_SpanCopy;
        im->colourKey = 0;
    }
    if (im->centreX == NO_CENTRE) {
        im->centreX = p->w / 2;
    }
    if (im->centreY == NO_CENTRE) {
        im->centreY = p->h / 2;
    }
    return -1;
}

void WG_ImageDraw(WG_Widget* widget)
{
    WG_Image* im = As<WG_Image>(widget);
    SDL_Surface* surface = WG_ScreenSurface();
    if ((im->zoom == 256 && (im->angle & (AUX_ANGLES - 1)) == 0)) {
        (void)PIX_BlitAt(im->picture, surface, widget->absX, widget->absY);
        return;
    }
    const SDL_Rect& c = widget->clip;
    PIX_Transform t{};
    t.source = im->picture;
    t.destination = surface;
    t.span = im->span;
    t.colourKey = im->colourKey;
    t.rect = &widget->clip;
    t.pivotX = im->centreX + (c.x + c.w / 2) - (widget->absX + widget->width / 2);
    t.pivotY = im->centreY + (c.y + c.h / 2) - (widget->absY + widget->height / 2);
    t.angle = static_cast<uint16_t>(im->angle & (AUX_ANGLES - 1));
    t.cosine = AUX_Cosine[t.angle];
    t.sine = AUX_Sine[t.angle];
    t.zoom = im->zoom;
    t.flags = 0;
    PIX_DrawTransformed(&t);
}

int WG_SpriteSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Sprite* s = As<WG_Sprite>(widget);
    uintptr_t v = 0;
    s->sprite = AUX_GetTag(tags, WG_SPRITE_RECORD, &v) != 0 ? static_cast<ACT_Sprite*>(Deref(v)) : nullptr;
    s->autoSize = 0;
    if (widget->w == 0 && (widget->flags & WG_F_W_MARGIN) == 0) {
        widget->w = 1;
        s->autoSize |= 0x1;
        widget->flags &= ~static_cast<uint32_t>(WG_F_W_PERCENT);
    }
    if (widget->h == 0 && (widget->flags & WG_F_H_MARGIN) == 0) {
        widget->h = 1;
        s->autoSize |= 0x2;
        widget->flags &= ~static_cast<uint32_t>(WG_F_H_PERCENT);
    }
    WG_MarkSizeDirty(widget);
    return -1;
}

void WG_SpriteDraw(WG_Widget* widget)
{
    WG_Sprite* s = As<WG_Sprite>(widget);
    const bool live = s->sprite != nullptr && s->sprite->picture != nullptr;
    SDL_Rect r{0, 0, 1, 1};
    if (live) {
        ACT_GetSpriteRect(s->sprite, &r);
    }
    if ((s->autoSize & 0x1) != 0 && widget->w != r.w) {
        WG_SetWidth(widget, r.w);
    }
    if ((s->autoSize & 0x2) != 0 && widget->h != r.h) {
        WG_SetHeight(widget, r.h);
    }
    if (!live) {
        return;
    }
    WG_UpdateSize(widget);
    WG_UpdatePosition(widget);
    s->sprite->x = static_cast<int16_t>(widget->absX + widget->width / 2);
    s->sprite->y = static_cast<int16_t>(widget->absY + widget->height / 2);
    (void)ACT_DrawSprite(s->sprite, WG_ScreenSurface());
}

int WG_TextSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Text* t = As<WG_Text>(widget);
    t->font = nullptr;
    t->text = nullptr;
    t->spacing = 1;
    t->lineSpacing = 1;
    t->result = nullptr;
    t->release = nullptr;
    t->mode = 0;
    for (const AUX_Tag* tag = tags; tag->tag != 0; tag++) {
        const uintptr_t v = tag->value;
        switch (tag->tag) {
        case WG_TEXT_FONT: t->font = static_cast<TXT_Font*>(Deref(v)); break;
        case WG_TEXT_TEXT: t->text = reinterpret_cast<const char*>(v); break;
        case WG_TEXT_SPACING: t->spacing = static_cast<int16_t>(v); break;
        case WG_TEXT_LINE_SPACING: t->lineSpacing = static_cast<int16_t>(v); break;
        case WG_TEXT_RESULT: t->result = reinterpret_cast<const char**>(v); break;
        case WG_TEXT_RELEASE: t->release = reinterpret_cast<WG_TextReleaseFn>(v); break;
        case WG_TEXT_MODE: t->mode = static_cast<uint8_t>((t->mode | v) & 3); break;
        default: break;
        }
    }
    return t->font != nullptr && t->text != nullptr ? -1 : 0;
}

void WG_TextCleanup(WG_Widget* widget)
{
    WG_Text* t = As<WG_Text>(widget);
    if (t->release != nullptr && t->text != nullptr) {
        t->release(t->text);
    }
    t->text = nullptr;
}

void WG_TextDraw(WG_Widget* widget)
{
    WG_Text* t = As<WG_Text>(widget);
    const SDL_Rect rect{widget->absX, widget->absY, widget->width, widget->height};
    SDL_Surface* surface = WG_ScreenSurface();
    const char* stop;
    if ((t->mode & 0x1) != 0) {
        stop = TXT_DrawWrappedJustified(t->font, t->text, t->spacing, t->lineSpacing, surface, &rect);
    } else if ((t->mode & 0x2) != 0) {
        stop = TXT_DrawWrappedSpread(t->font, t->text, t->spacing, t->lineSpacing, surface, &rect);
    } else {
        stop = TXT_DrawWrapped(t->font, t->text, t->spacing, t->lineSpacing, surface, &rect);
    }
    if (t->result != nullptr) {
        *t->result = stop;
    }
}

int WG_FrameSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Frame* f = As<WG_Frame>(widget);
    f->frame = nullptr;
    SDL_Surface* picture = nullptr;
    uint16_t widths[4] = {0, 0, 0, 0};
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        if (t->tag == WG_FRAME_PICTURE) {
            picture = static_cast<SDL_Surface*>(Deref(t->value));
        } else if (t->tag >= WG_FRAME_TOP && t->tag <= WG_FRAME_RIGHT) {
            widths[t->tag - WG_FRAME_TOP] = static_cast<uint16_t>(t->value);
        }
    }
    f->frame = PIX_NewFrame(picture, widths[0], widths[1], widths[2], widths[3]);
    return f->frame != nullptr ? -1 : 0;
}

void WG_FrameCleanup(WG_Widget* widget)
{
    WG_Frame* f = As<WG_Frame>(widget);
    PIX_FreeFrame(f->frame);
    f->frame = nullptr;
}

void WG_FrameDraw(WG_Widget* widget)
{
    const SDL_Rect rect{widget->absX, widget->absY, widget->width, widget->height};
    PIX_DrawFrame(As<WG_Frame>(widget)->frame, WG_ScreenSurface(), &rect);
}

namespace {

bool PassedToButtonControl(uintptr_t tag)
{
    return tag >= WG_CONTROL_SELECTED && tag <= WG_CONTROL_BEHAVIOUR;
}

bool HotKeyLive(const WG_Control* c)
{
    const DISP_Handler* h = c->hotKeyHandler;
    return h != nullptr && h->node.list != nullptr && h->node.list->last == &h->node;
}

char SwapCase(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return static_cast<char>(std::isupper(u) != 0 ? std::tolower(u) : std::toupper(u));
}

}  // namespace

int WG_ButtonSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Button* b = As<WG_Button>(widget);
    b->control.widget.flags = 0;
    b->label.widget.flags = 0;
    b->labelText[0] = '\0';
    b->hotLetter = nullptr;
    b->storedLetter = b->shownLetter = 0;
    b->buttonFlags = 0;
    const char* text = nullptr;
    uintptr_t font = 0;
    uintptr_t spacing = 1;
    int16_t labelX = 0;
    int16_t labelY = 0;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_LABEL_TEXT: text = reinterpret_cast<const char*>(v); break;
        case WG_LABEL_FONT: font = v; break;
        case WG_LABEL_SPACING: spacing = v; break;
        case WG_BUTTON_LABEL_X: labelX = static_cast<int16_t>(v); break;
        case WG_BUTTON_LABEL_Y: labelY = static_cast<int16_t>(v); break;
        case WG_BUTTON_FLAGS: b->buttonFlags |= static_cast<uint8_t>(v & 0x7E); break;
        default: break;
        }
    }
    const AUX_Tag fixed[] = {
        {WG_TAG_KIND, WG_CONTROL},
        {WG_TAG_W, 100},
        {WG_TAG_H, 100},
        {WG_TAG_FLAGS, WG_F_W_PERCENT | WG_F_H_PERCENT},
    };
    AUX_Tag* controlTags = WG_JoinTags(fixed, sizeof fixed / sizeof fixed[0], tags, PassedToButtonControl);
    if (controlTags == nullptr) {
        return 0;
    }
    WG_Widget* control = WG_Create(&b->control, controlTags);
    MEM_Free(controlTags);
    if (control == nullptr) {
        return 0;
    }
    WG_AddChild(control, widget);
    if (text != nullptr && Deref(font) != nullptr) {
        AUX_CopyString(text, b->labelText, WG_BUTTON_TEXT - 1);
        uint32_t flags = WG_F_W_PERCENT | WG_F_H_PERCENT;
        flags |= (b->buttonFlags & WG_BF_LABEL_X_PERCENT) != 0 ? static_cast<uint32_t>(WG_F_X_PERCENT) : 0u;
        flags |= (b->buttonFlags & WG_BF_LABEL_Y_PERCENT) != 0 ? static_cast<uint32_t>(WG_F_Y_PERCENT) : 0u;
        const AUX_Tag labelTags[] = {
            {WG_TAG_KIND, WG_LABEL},
            {WG_TAG_W, 100},
            {WG_TAG_H, 100},
            {WG_TAG_X, static_cast<uint16_t>(labelX)},
            {WG_TAG_Y, static_cast<uint16_t>(labelY)},
            {WG_TAG_FLAGS, flags},
            {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>(b->labelText)},
            {WG_LABEL_FONT, font},
            {WG_LABEL_SPACING, spacing},
            {0, 0},
        };
        if (WG_Create(&b->label, labelTags) == nullptr) {
            return 0;
        }
        WG_AddChild(&b->label.widget, widget);
        b->buttonFlags |= WG_BF_LABELLED;
        WG_SetButtonLabel(b, text);
    }
    WG_AddChildFirst(control, widget);
    return -1;
}

void WG_SetButtonLabel(WG_Button* b, const char* text)
{
    if (b == nullptr || text == nullptr) {
        return;
    }
    AUX_CopyString(text, b->labelText, WG_BUTTON_TEXT - 1);
    if ((b->buttonFlags & WG_BF_HOTKEY) != 0) {
        WG_ReleaseHotKey(&b->control);
        b->control.hotChar = 0;
        b->hotLetter = nullptr;
        if ((b->buttonFlags & WG_BF_LOWER) != 0) {
            AUX_ToLower(b->labelText);
        } else if ((b->buttonFlags & WG_BF_UPPER) != 0) {
            AUX_ToUpper(b->labelText);
        }
        char* chosen = nullptr;
        for (char* p = b->labelText; *p != '\0' && chosen == nullptr; p++) {
            if (WG_SetHotKey(&b->control, static_cast<unsigned char>(*p)) != 0) {
                chosen = p;
            }
        }
        if (chosen != nullptr && std::isalpha(static_cast<unsigned char>(*chosen)) != 0) {
            const unsigned char c = static_cast<unsigned char>(*chosen);
            b->hotLetter = chosen;
            b->storedLetter = *chosen;
            if ((b->buttonFlags & WG_BF_LOWER) != 0) {
                b->shownLetter = static_cast<char>(std::toupper(c));
            } else if ((b->buttonFlags & WG_BF_UPPER) != 0) {
                b->shownLetter = static_cast<char>(std::tolower(c));
            } else if ((b->buttonFlags & WG_BF_SWAP) != 0) {
                b->shownLetter = SwapCase(*chosen);
            } else {
                b->shownLetter = *chosen;
            }
        }
    }
    if ((b->buttonFlags & WG_BF_LABELLED) != 0) {
        (void)WG_SetLabelText(&b->label, b->labelText, 0);
    }
}

void WG_ButtonCleanup(WG_Widget* widget)
{
    WG_Button* b = As<WG_Button>(widget);
    WG_Destroy(&b->label.widget);
    WG_Destroy(&b->control.widget);
    b->hotLetter = nullptr;
}

void WG_ButtonDraw(WG_Widget* widget)
{
    WG_Button* b = As<WG_Button>(widget);
    if (b->hotLetter == nullptr) {
        return;
    }
    const char wanted = HotKeyLive(&b->control) ? b->shownLetter : b->storedLetter;
    if (*b->hotLetter != wanted) {
        *b->hotLetter = wanted;
        (void)WG_SetLabelText(&b->label, b->labelText, 0);
    }
}

namespace {

bool PassedToItems(uintptr_t tag)
{
    return tag == WG_LABEL_FONT || tag == WG_LABEL_SPACING ||
           (tag >= WG_CONTROL_SELECTED && tag <= WG_CONTROL_ON_PRESS) ||
           (tag >= WG_CONTROL_ON_EVENT && tag <= WG_CONTROL_ON_HIDE) || tag == WG_CONTROL_BEHAVIOUR ||
           tag == WG_BUTTON_FLAGS;
}

WG_ListItem* ItemOf(NODE_Node* node)
{
    return node != nullptr ? static_cast<WG_ListItem*>(node->data) : nullptr;
}

// Takes the shown items off and lets the next drawing lay them out again.
void Relayout(WG_List* list)
{
    for (NODE_Node* n = list->items.first; n != nullptr; n = n->next) {
        WG_Detach(&ItemOf(n)->button.widget);
    }
    list->widget.draw = WG_ListDraw;
}

void ListResized(WG_Widget* widget)
{
    Relayout(As<WG_List>(widget));
}

}  // namespace

WG_ListItem* WG_ListAdd(WG_List* list, const char* text, uintptr_t value)
{
    if (list == nullptr || text == nullptr) {
        return nullptr;
    }
    auto* item = static_cast<WG_ListItem*>(MEM_Calloc(1, sizeof(WG_ListItem)));
    if (item == nullptr) {
        return nullptr;
    }
    item->text = MEM_StrDup(text);
    const uint16_t w = list->itemW;
    const AUX_Tag fixed[] = {
        {WG_TAG_KIND, WG_BUTTON},
        {WG_TAG_X, static_cast<uint16_t>(list->itemX)},
        {WG_TAG_W, w != 0 ? w : 100u},
        {WG_TAG_FLAGS, w != 0 ? 0u : static_cast<uint32_t>(WG_F_W_PERCENT)},
        {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>(item->text)},
    };
    AUX_Tag* tags = item->text != nullptr ? WG_JoinTags(fixed, sizeof fixed / sizeof fixed[0], list->itemTags,
                                                        PassedToItems)
                                          : nullptr;
    WG_Widget* button = tags != nullptr ? WG_Create(&item->button, tags) : nullptr;
    MEM_Free(tags);
    if (button == nullptr) {
        MEM_Free(item->text);
        MEM_Free(item);
        return nullptr;
    }
    item->node = NODE_Node{nullptr, nullptr, item, nullptr};
    item->value = value;
    item->user = list->user;
    const bool front = (list->listFlags & (WG_LF_FRONT | WG_LF_SORTED)) == WG_LF_FRONT;
    if ((list->listFlags & WG_LF_SORTED) != 0) {
        WG_ListItem* after = nullptr;
        NODE_Node* from = list->firstVisible != nullptr ? &list->firstVisible->node : list->items.first;
        for (NODE_Node* n = from; n != nullptr; n = n->next) {
            if (strcasecmp(ItemOf(n)->text, text) <= 0) {
                after = ItemOf(n);
            }
        }
        if (after != nullptr) {
            NODE_InsertAfter(&item->node, &after->node);
        } else {
            NODE_AddHead(&item->node, &list->items);
            list->firstVisible = item;
        }
    } else if (front) {
        NODE_AddHead(&item->node, &list->items);
        list->firstVisible = item;
    } else {
        NODE_AddTail(&item->node, &list->items);
        if (list->firstVisible == nullptr) {
            list->firstVisible = item;
        }
    }
    if ((list->listFlags & WG_LF_RADIO) != 0) {
        NODE_Node* neighbour = item->node.prev != nullptr ? item->node.prev : item->node.next;
        if (neighbour != nullptr) {
            WG_JoinGroup(&item->button.control, &ItemOf(neighbour)->button.control);
        }
    }
    list->count++;
    Relayout(list);
    return item;
}

void WG_ListRemove(WG_List* list, WG_ListItem* item)
{
    if (list == nullptr || item == nullptr || item->node.list != &list->items) {
        return;
    }
    list->count--;
    if (list->firstVisible == item) {
        list->firstVisible = ItemOf(item->node.next != nullptr ? item->node.next : item->node.prev);
    }
    Relayout(list);
    WG_LeaveGroup(&item->button.control);
    NODE_Remove(&item->node);
    WG_Destroy(&item->button.widget);
    MEM_Free(item->text);
    MEM_Free(item);
}

WG_ListItem* WG_ListFind(const WG_List* list, const char* text)
{
    for (NODE_Node* n = list != nullptr && text != nullptr ? list->items.first : nullptr; n != nullptr; n = n->next) {
        if (std::strcmp(ItemOf(n)->text, text) == 0) {
            return ItemOf(n);
        }
    }
    return nullptr;
}

void WG_ListUnselectAll(WG_List* list)
{
    for (NODE_Node* n = list != nullptr ? list->items.first : nullptr; n != nullptr; n = n->next) {
        WG_UnselectControl(&ItemOf(n)->button.control);
    }
}

void WG_ListSelectAll(WG_List* list)
{
    for (NODE_Node* n = list != nullptr ? list->items.first : nullptr; n != nullptr; n = n->next) {
        WG_SelectControl(&ItemOf(n)->button.control);
    }
}

void WG_ListClickAll(WG_List* list)
{
    for (NODE_Node* n = list != nullptr ? list->items.first : nullptr; n != nullptr; n = n->next) {
        WG_PressControl(&ItemOf(n)->button.control);
        WG_ReleaseControl(&ItemOf(n)->button.control);
    }
}

void WG_ListSetFirstVisible(WG_List* list, WG_ListItem* item)
{
    if (list != nullptr && item != nullptr && item->node.list == &list->items) {
        list->firstVisible = item;
        Relayout(list);
    }
}

void WG_ListLayout(WG_List* list)
{
    if (list == nullptr) {
        return;
    }
    Relayout(list);
    WG_ListDraw(&list->widget);
}

void WG_ListDraw(WG_Widget* widget)
{
    WG_List* list = As<WG_List>(widget);
    widget->draw = nullptr;
    WG_UpdateSize(widget);
    uint16_t itemH = list->itemH;
    if (itemH == 0 && list->count > 0) {
        const int32_t free = widget->height - static_cast<int32_t>(list->count - 1) * list->spacing;
        itemH = static_cast<uint16_t>(free > 0 ? free / static_cast<int32_t>(list->count) : 0);
    }
    if (itemH == 0) {
        return;
    }
    int32_t y = 0;
    for (NODE_Node* n = list->firstVisible != nullptr ? &list->firstVisible->node : nullptr;
         n != nullptr && y < widget->height; n = n->next) {
        WG_Widget* b = &ItemOf(n)->button.widget;
        b->y = static_cast<int16_t>(y);
        b->h = itemH;
        WG_MarkSizeDirty(b);
        WG_MarkPositionDirty(b);
        WG_AddChild(b, widget);
        y += itemH + list->spacing;
    }
}

int WG_ListSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_List* list = As<WG_List>(widget);
    list->itemTags = nullptr;
    list->items = NODE_List{nullptr, nullptr};
    list->firstVisible = nullptr;
    list->count = 0;
    list->value = 0;
    list->itemX = 0;
    list->itemW = 0;
    list->itemH = 0;
    list->spacing = 0;
    list->user = 0;
    list->listFlags = 0;
    if (widget->sized == nullptr) {
        widget->sized = ListResized;
    }
    list->itemTags = WG_JoinTags(nullptr, 0, tags, PassedToItems);
    if (list->itemTags == nullptr) {
        return 0;
    }
    const char* text = nullptr;
    uintptr_t valueAddress = 0;
    bool haveValue = false;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_LIST_VALUE: list->value = v; break;
        case WG_LIST_ITEM_X: list->itemX = static_cast<int16_t>(v); break;
        case WG_LIST_SPACING: list->spacing = static_cast<int16_t>(v); break;
        case WG_LIST_ITEM_W:
            list->itemW = static_cast<uint16_t>(v);
            list->spacing = static_cast<int16_t>(v);
            break;
        case WG_LIST_ITEM_H: list->itemH = static_cast<uint16_t>(v); break;
        case WG_LIST_FLAGS: list->listFlags |= static_cast<uint8_t>(v & 7); break;
        case WG_LIST_ITEM_USER: list->user = reinterpret_cast<uintptr_t>(Deref(v)); break;
        case WG_LIST_ITEM_TEXT: text = reinterpret_cast<const char*>(v); break;
        case WG_LIST_ITEM_VALUE:
            valueAddress = v;
            haveValue = true;
            break;
        default: break;
        }
        if (text != nullptr && haveValue) {
            const uintptr_t value = valueAddress != 0 ? *reinterpret_cast<uintptr_t*>(valueAddress) : 0;
            if (WG_ListAdd(list, text, value) == nullptr) {
                return 0;
            }
            text = nullptr;
            haveValue = false;
        }
    }
    return -1;
}

void WG_ListCleanup(WG_Widget* widget)
{
    WG_List* list = As<WG_List>(widget);
    while (list->items.first != nullptr) {
        WG_ListRemove(list, ItemOf(list->items.first));
    }
    MEM_Free(list->itemTags);
    list->itemTags = nullptr;
}
