// The operator's page: it signs the employee in, then follows the workstations, the tickets, the
// accounts and the till through the JSON API of zrv2server. Every text from the server is set as
// text, never as markup.
'use strict';

const state = { csrf: '', name: '', rights: [], tiles: new Map(), basket: [], poll: null };

const $ = (id) => document.getElementById(id);

function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
}

function money(amount) { return amount + ' F'; }

// Seconds as H:MM:SS.
function duration(seconds) {
    seconds = Math.max(0, Math.floor(seconds));
    const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60, s = seconds % 60;
    return h + ':' + String(m).padStart(2, '0') + ':' + String(s).padStart(2, '0');
}

let noticeTimer = null;
function notice(text, bad) {
    const box = $('notice');
    box.textContent = text;
    box.className = bad ? 'bad' : '';
    box.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => { box.hidden = true; }, 4000);
}

async function api(method, path, body) {
    const options = { method, headers: {}, credentials: 'same-origin' };
    if (method !== 'GET') {
        options.headers['Content-Type'] = 'application/json';
        options.headers['X-CSRF-Token'] = state.csrf;
        options.body = JSON.stringify(body || {});
    }
    const response = await fetch('/api' + path, options);
    const data = await response.json().catch(() => ({}));
    if (response.status === 401 && path !== '/session') showSignIn();
    if (!response.ok) throw new Error(data.error || ('Erreur ' + response.status));
    return data;
}

// Runs an action of the page and tells how it went.
async function act(work, success) {
    try {
        const result = await work();
        if (success) notice(typeof success === 'function' ? success(result) : success);
        return result;
    } catch (error) {
        notice(error.message, true);
        return null;
    }
}

const can = (right) => state.rights.includes(right);

// ----- sign-in

function showSignIn() {
    clearInterval(state.poll);
    state.poll = null;
    state.csrf = '';
    $('signin').hidden = false;
    $('tabs').hidden = $('who').hidden = true;
    document.querySelectorAll('.tab').forEach((tab) => { tab.hidden = true; });
}

function signedIn(session) {
    state.csrf = session.csrf;
    state.name = session.name;
    state.rights = session.rights;
    $('signin').hidden = true;
    $('user-name').textContent = session.name;
    $('tabs').hidden = $('who').hidden = false;
    document.querySelectorAll('[data-right]').forEach((node) => { node.hidden = !can(node.dataset.right); });
    const first = document.querySelector('#tabs button:not([hidden])');
    if (first) showTab(first.dataset.tab);
}

$('signin-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    $('signin-error').textContent = '';
    try {
        signedIn(await api('POST', '/session', { name: $('signin-name').value, password: $('signin-password').value }));
        $('signin-password').value = '';
    } catch (error) {
        $('signin-error').textContent = error.message;
    }
});

$('signout').addEventListener('click', async () => {
    await act(() => api('POST', '/signout'));
    showSignIn();
});

// ----- tabs

function showTab(name) {
    document.querySelectorAll('.tab').forEach((tab) => { tab.hidden = tab.id !== name; });
    document.querySelectorAll('#tabs button').forEach((b) => b.classList.toggle('active', b.dataset.tab === name));
    clearInterval(state.poll);
    state.poll = null;
    if (name === 'postes') {
        refreshWorkstations();
        state.poll = setInterval(refreshWorkstations, 1000);
    } else if (name === 'tickets') {
        loadFormulas();
    } else if (name === 'comptes') {
        searchAccounts();
    } else if (name === 'caisse') {
        refreshTill();
        loadProducts();
    }
}
document.querySelectorAll('#tabs button').forEach((b) => b.addEventListener('click', () => showTab(b.dataset.tab)));

// ----- workstations

const stateNames = { connected: 'Connecté', ready: 'Prêt', asleep: 'En veille', 'in-session': 'En session' };
const commands = [
    ['close-session', 'Fermer la session', 'urStopSession'],
    ['close-connection', "Déconnecter l'utilisateur", 'urCloseClientConnection'],
    ['sleep', 'Mettre en veille', 'urShutdownClientModule'],
    ['wake', 'Réveiller', 'urShutdownClientModule'],
    ['message', 'Message', 'urOpenServer'],
    ['applications', 'Applications', 'urSeeClientApplications'],
    ['reboot', 'Redémarrer', 'urRebootWorkstation', 'Redémarrer ce poste ?'],
    ['shutdown', 'Éteindre', 'urShutdownWorkStation', 'Éteindre ce poste ?'],
];

function command(slot, name, question) {
    if (name === 'message') return openMessage(slot);
    if (question && !window.confirm(question)) return;
    act(() => api('POST', '/workstations/' + slot + '/' + name), 'Commande envoyée au poste ' + slot);
}

function newTile(slot) {
    const tile = element('article', 'tile');
    tile.dataset.slot = slot;
    const head = element('div', 'head');
    head.append(element('span', 'name'), element('span', 'slot', 'Emplacement ' + slot));
    tile.append(head, element('div', 'address'), element('span', 'state'), element('div', 'customer'),
        element('div', 'credit'));
    const buttons = element('div', 'commands');
    for (const [name, label, right, question] of commands) {
        if (!can(right)) continue;
        const button = element('button', question ? 'danger' : '', label);
        button.type = 'button';
        button.dataset.command = name;
        button.addEventListener('click', () => command(tile.dataset.slot, name, question));
        buttons.append(button);
    }
    tile.append(buttons, element('ul', 'apps'));
    return tile;
}

function fillApplications(list, tile, applications) {
    const key = JSON.stringify(applications);
    if (list.dataset.key === key) return;
    list.dataset.key = key;
    list.replaceChildren(...applications.map((app) => {
        const item = element('li', '', app.name || '(sans titre)');
        const close = element('button', '', 'Fermer');
        close.type = 'button';
        close.addEventListener('click', () => act(
            () => api('POST', '/workstations/' + tile.dataset.slot + '/close-application', { handle: Number(app.handle) }),
            'Fermeture demandée'));
        item.append(close);
        return item;
    }));
}

function fillTile(tile, data) {
    tile.className = 'tile ' + (data.state || 'connected');
    tile.querySelector('.name').textContent = data.name || 'Poste ' + data.slot;
    tile.querySelector('.address').textContent = data.address;
    tile.querySelector('.state').textContent = stateNames[data.state] || data.state;
    for (const button of tile.querySelectorAll('[data-command="sleep"], [data-command="wake"]'))
        button.hidden = (button.dataset.command === 'wake') !== (data.state === 'asleep');
    const kind = data.kind && data.kind !== 'Aucun' ? data.kind + ' : ' : '';
    tile.querySelector('.customer').textContent = data.customer ? kind + data.customer : 'Aucun client';
    tile.credit = data.creditSeconds === undefined ? null
        : { seconds: data.creditSeconds, counting: data.countingDown, since: performance.now() };
    showCredit(tile);
    fillApplications(tile.querySelector('.apps'), tile, data.applications || []);
}

// The credit left, counting down between two refreshes.
function showCredit(tile) {
    const credit = tile.credit;
    let text = '';
    if (credit) {
        const spent = credit.counting ? (performance.now() - credit.since) / 1000 : 0;
        text = duration(credit.seconds - spent);
    }
    tile.querySelector('.credit').textContent = text;
}

async function refreshWorkstations() {
    let data;
    try {
        data = await api('GET', '/workstations');
    } catch (error) {
        return;
    }
    const seen = new Set();
    for (const station of data.workstations) {
        if (!station.slot) continue;
        seen.add(station.slot);
        let tile = state.tiles.get(station.slot);
        if (!tile) {
            tile = newTile(station.slot);
            state.tiles.set(station.slot, tile);
        }
        fillTile(tile, station);
    }
    for (const [slot, tile] of state.tiles) {
        if (!seen.has(slot)) { tile.remove(); state.tiles.delete(slot); }
    }
    const ordered = [...state.tiles.keys()].sort((a, b) => a - b).map((slot) => state.tiles.get(slot));
    const container = $('tiles');
    ordered.forEach((tile, index) => {
        if (container.children[index] !== tile) container.insertBefore(tile, container.children[index] || null);
    });
    $('no-tiles').hidden = ordered.length > 0;
    $('postes-count').textContent = ordered.length + ' connecté(s) sur ' + data.slots + ' emplacements';
}

setInterval(() => state.tiles.forEach(showCredit), 250);

function openMessage(slot) {
    const dialog = $('message-dialog');
    dialog.dataset.slot = slot;
    $('message-target').textContent = state.tiles.get(Number(slot)).querySelector('.name').textContent;
    $('message-text').value = '';
    dialog.showModal();
}
$('message-cancel').addEventListener('click', () => $('message-dialog').close());
$('message-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const slot = $('message-dialog').dataset.slot;
    const text = $('message-text').value;
    $('message-dialog').close();
    act(() => api('POST', '/workstations/' + slot + '/message', { text }), 'Message envoyé');
});

// ----- tickets

async function loadFormulas() {
    const data = await act(() => api('GET', '/hourformulas'));
    if (!data) return;
    $('gen-formula').replaceChildren(...data.hourFormulas.map((name) => element('option', '', name)));
}

$('generate-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const batch = await act(() => api('POST', '/tickets', {
        count: Number($('gen-count').value), credit: Number($('gen-credit').value) * 60,
        cost: Number($('gen-cost').value), days: Number($('gen-days').value), hourFormula: $('gen-formula').value,
    }), (result) => result.codes.length + ' ticket(s) générés');
    if (!batch) return;
    state.batch = batch;
    $('generated').hidden = false;
    $('generated-codes').replaceChildren(...batch.codes.map((code) => element('li', '', code)));
});

$('print-tickets').addEventListener('click', () => {
    const batch = state.batch;
    const sheet = batch.codes.map((code) => {
        const ticket = element('div', 'ticket');
        ticket.append(element('strong', '', code),
            element('span', '', duration(batch.credit) + ' — ' + money(batch.cost) + ' — ' + batch.days + ' jours'));
        return ticket;
    });
    printSheet([element('h2', '', 'Tickets'), ...sheet]);
});

function printSheet(nodes) {
    $('print-area').replaceChildren(...nodes);
    document.body.classList.add('printing');
    window.print();
    document.body.classList.remove('printing');
}

const yesNo = (value) => (value ? 'oui' : 'non');

function showTicket(ticket) {
    const rows = [['Code', ticket.code], ['Crédit', duration(ticket.credit)], ['Prix', money(ticket.cost)],
        ['Vendu', yesNo(ticket.sold)], ['Activé le', ticket.activated || '—'], ['Validité', ticket.days + ' jours'],
        ['Utilisé', yesNo(ticket.used)], ['Formule horaire', ticket.hourFormula], ['Créé le', ticket.created]];
    $('ticket-details').replaceChildren(...rows.flatMap(([name, value]) => [element('dt', '', name), element('dd', '', value)]));
}

const ticketPath = () => '/tickets/' + encodeURIComponent($('ticket-code').value.trim());
$('ticket-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const ticket = await act(() => api('GET', ticketPath()));
    if (ticket) showTicket(ticket);
});
$('ticket-sell').addEventListener('click', async () => {
    const ticket = await act(() => api('POST', ticketPath() + '/sell'), 'Ticket vendu');
    if (ticket) showTicket(ticket);
});

// ----- accounts

async function searchAccounts() {
    const data = await act(() => api('GET', '/accounts?q=' + encodeURIComponent($('account-search').value)));
    if (!data) return;
    $('accounts').replaceChildren(...data.accounts.map((account) => {
        const row = element('tr');
        row.append(element('td', '', account.name), element('td', '', account.group),
            element('td', '', duration(account.credit)), element('td', '', yesNo(account.active)));
        const cell = element('td');
        if (account.active && can('urDeleteAccounts')) {
            const off = element('button', '', 'Désactiver');
            off.type = 'button';
            off.addEventListener('click', async () => {
                if (!window.confirm('Désactiver le compte ' + account.name + ' ?')) return;
                await act(() => api('POST', '/accounts/' + encodeURIComponent(account.name) + '/deactivate'), 'Compte désactivé');
                searchAccounts();
            });
            cell.append(off);
        }
        row.append(cell);
        return row;
    }));
}
$('account-search-form').addEventListener('submit', (event) => { event.preventDefault(); searchAccounts(); });
$('account-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const created = await act(() => api('POST', '/accounts', {
        name: $('acc-name').value, password: $('acc-password').value, firstName: $('acc-first').value,
        secondName: $('acc-second').value, group: $('acc-group').value,
    }), (account) => 'Compte ' + account.name + ' créé');
    if (created) { event.target.reset(); searchAccounts(); }
});

// ----- the till

function showOperations(operations) {
    $('operations').replaceChildren(...operations.map((o) => {
        const row = element('tr');
        row.append(element('td', '', o.date), element('td', '', o.rubric), element('td', '', o.title),
            element('td', '', money(o.amount)));
        return row;
    }));
}

async function refreshTill() {
    const till = await act(() => api('GET', '/till'));
    if (!till) return;
    $('till-closed').hidden = till.open;
    $('till-body').hidden = !till.open;
    $('till-state').textContent = till.open ? 'n° ' + till.id + ', ouverte le ' + till.start : 'fermée';
    if (!till.open) return;
    $('till-balance').textContent = money(till.balance);
    const data = await act(() => api('GET', '/till/operations'));
    if (data) showOperations(data.operations);
}

async function loadProducts() {
    const data = await act(() => api('GET', '/products'));
    if (!data) return;
    $('basket-product').replaceChildren(...data.products.map((p) => {
        const option = element('option', '', p.name + ' — ' + money(p.cost));
        option.value = p.name;
        return option;
    }));
}

async function tillAction(path, body, success) {
    const result = await act(() => api('POST', '/till/' + path, body), success);
    refreshTill();
    return result;
}

$('till-open').addEventListener('click', () => tillAction('open', {}, 'Caisse ouverte'));
$('till-ticket-form').addEventListener('submit', (event) => {
    event.preventDefault();
    tillAction('sell-ticket', { code: $('till-ticket-code').value }, (t) => 'Ticket ' + t.code + ' vendu ' + money(t.cost));
    $('till-ticket-code').value = '';
});

function showBasket() {
    $('basket').replaceChildren(...state.basket.map((line, index) => {
        const item = element('li', '', line.quantity + ' × ' + line.product + ' ');
        const remove = element('button', '', 'Retirer');
        remove.type = 'button';
        remove.addEventListener('click', () => { state.basket.splice(index, 1); showBasket(); });
        item.append(remove);
        return item;
    }));
}
$('basket-add').addEventListener('click', () => {
    const product = $('basket-product').value;
    if (!product) return;
    state.basket.push({ product, quantity: Number($('basket-quantity').value) || 1 });
    showBasket();
});
$('basket-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const sale = await tillAction('sell-products', { basket: state.basket, discount: Number($('basket-discount').value) || 0 },
        (s) => 'Panier vendu ' + money(s.total));
    if (sale) { state.basket = []; showBasket(); }
});

function creditBody(withCost) {
    const body = { seconds: Number($('credit-minutes').value) * 60 };
    body[$('credit-kind').value] = $('credit-target').value;
    if (withCost) body.cost = Number($('credit-cost').value) || 0;
    return body;
}
$('credit-form').addEventListener('submit', (event) => {
    event.preventDefault();
    tillAction('add-credit', creditBody(true), (r) => 'Crédit ajouté : ' + duration(r.credit));
});
$('credit-bonus').addEventListener('click', () => tillAction('bonus', creditBody(false), (r) => 'Bonus offert : ' + duration(r.credit)));

$('till-close').addEventListener('click', async () => {
    if (!window.confirm('Fermer la caisse et imprimer le rapport ?')) return;
    const report = await tillAction('close', {}, 'Caisse fermée');
    if (!report) return;
    const table = element('table', 'list');
    for (const o of report.operations) {
        const row = element('tr');
        row.append(element('td', '', o.date), element('td', '', o.title), element('td', '', money(o.amount)));
        table.append(row);
    }
    printSheet([element('h2', '', 'Rapport de fin de service — caisse n° ' + report.id),
        element('p', '', 'Caissier : ' + report.cashier + ', ouverte le ' + report.start),
        table, element('h3', '', 'Solde : ' + money(report.balance))]);
});

// ----- start: take up a session left open, or ask to sign in

api('GET', '/session').then(signedIn, showSignIn);
