-- A Kovara database as the conversion writes it: every table and column its
-- statements name, in the order the statements name them. The id columns
-- take the literal 0 from every row, so they are plain integers, not
-- identities. Columns that the statements fill through ISNULL, or with fixed
-- values, are NOT NULL, so a NULL slipping through fails the run.
--
-- One column per line: the schema reader of the suite relies on it.

CREATE TABLE dbo.clientes (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(100) NULL,
    morada nvarchar(150) NULL,
    codpostal nvarchar(10) NULL,
    codpostal1 nvarchar(10) NULL,
    localidade nvarchar(60) NULL,
    telefone nvarchar(20) NULL,
    fax nvarchar(20) NULL,
    telemovel nvarchar(20) NULL,
    email nvarchar(100) NULL,
    web nvarchar(100) NULL,
    obs nvarchar(500) NULL,
    datacriacao datetime NULL,
    valormov money NULL,
    valordivida money NULL,
    contribuinte nvarchar(20) NULL,
    limitecredito money NOT NULL,
    desconto decimal(9,4) NOT NULL,
    saldo money NOT NULL,
    foto varbinary(max) NULL,
    mododesconto int NOT NULL,
    impressao int NOT NULL,
    datanascimento datetime NULL,
    nomecontacto nvarchar(100) NOT NULL,
    bloqueado bit NOT NULL,
    rfid nvarchar(50) NOT NULL,
    isento bit NOT NULL,
    motivo nvarchar(100) NULL,
    retencao bit NOT NULL,
    sujeitopassivo bit NOT NULL,
    ivacaixa bit NOT NULL,
    ivacaixainicio datetime NULL,
    ivacaixafim datetime NULL
);

CREATE TABLE dbo.empregados (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(60) NULL,
    [password] nvarchar(20) NULL,
    foto varbinary(max) NULL,
    bloqueado bit NOT NULL,
    datacriacao datetime NULL,
    obs nvarchar(500) NULL,
    gestaocaixa bit NOT NULL,
    frontoffice bit NOT NULL,
    identificacao nvarchar(50) NOT NULL,
    telefone nvarchar(20) NOT NULL,
    email nvarchar(100) NOT NULL,
    cashe bit NOT NULL,
    comissao decimal(9,4) NOT NULL,
    demissao bit NOT NULL,
    cor int NOT NULL
);

CREATE TABLE dbo.subfamilias (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(50) NULL,
    familia int NULL,
    fundo int NULL,
    letra int NULL,
    posicao int NULL
);

CREATE TABLE dbo.familias (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(50) NULL,
    frontoffice bit NULL,
    posicaofront int NULL,
    posicaoprint int NOT NULL,
    fundo int NULL,
    letra int NULL,
    tipo int NOT NULL
);

CREATE TABLE dbo.famzonas (
    familia int NOT NULL,
    zona int NOT NULL,
    PRIMARY KEY (familia, zona)
);

CREATE TABLE dbo.iva (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(30) NULL,
    factor float NULL
);

CREATE TABLE dbo.produtos (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(60) NULL,
    familia int NOT NULL,
    subfam int NOT NULL,
    unidade int NOT NULL,
    iva int NULL,
    fornecedor int NULL,
    foto varbinary(max) NULL,
    precocompra money NOT NULL,
    precovenda money NULL,
    dataultcompra datetime NULL,
    ultprecocompra money NULL,
    datacriacao datetime NULL,
    obs nvarchar(500) NULL,
    retalho bit NOT NULL,
    composto bit NOT NULL,
    ultprecovenda money NULL,
    topo bit NOT NULL,
    cozinha int NOT NULL,
    grupo int NOT NULL,
    referencia nvarchar(30) NULL,
    ivacompra int NULL,
    balanca bit NOT NULL,
    prodstock int NOT NULL,
    qtdstock decimal(19,4) NOT NULL,
    compra bit NOT NULL,
    stocks bit NOT NULL,
    meiadose bit NOT NULL,
    precomeia money NOT NULL,
    qtdmeia decimal(19,4) NOT NULL,
    ordemtop int NOT NULL,
    ordem int NULL,
    ordemlocal int NOT NULL,
    listseparado bit NOT NULL,
    codbarras nvarchar(30) NULL,
    armazem int NOT NULL,
    tempoprep int NOT NULL,
    maxopcoes int NOT NULL,
    iva2 int NULL,
    tara decimal(19,4) NOT NULL,
    prepagamento bit NOT NULL,
    fundo int NULL,
    letra int NULL,
    descricaocurta nvarchar(20) NULL,
    promocao bit NULL,
    percentprom decimal(9,4) NOT NULL,
    margembruta decimal(9,4) NOT NULL,
    codigopp int NOT NULL,
    revenda bit NOT NULL,
    precorevenda money NOT NULL,
    ivarevenda int NULL,
    autoquebra bit NOT NULL,
    pvp2 money NULL,
    pvp3 money NULL,
    pvp4 money NOT NULL,
    pvp5 money NOT NULL,
    pvpmeia2 money NOT NULL,
    pvpmeia3 money NOT NULL,
    pvpmeia4 money NOT NULL,
    pvpmeia5 money NOT NULL,
    consumominimo money NOT NULL,
    precominimo money NOT NULL,
    excluirdescontos bit NULL,
    vendersemstock bit NOT NULL,
    dosedesc nvarchar(20) NOT NULL,
    meiadosedesc nvarchar(20) NOT NULL,
    categoria int NOT NULL,
    subcategoria int NOT NULL,
    pvp6 money NOT NULL,
    pvp7 money NOT NULL,
    pvp8 money NOT NULL,
    pvp9 money NOT NULL,
    pvp10 money NOT NULL,
    pvpmeia6 money NOT NULL,
    pvpmeia7 money NOT NULL,
    pvpmeia8 money NOT NULL,
    pvpmeia9 money NOT NULL,
    pvpmeia10 money NOT NULL,
    isencao int NULL,
    restricted bit NOT NULL,
    retencao bit NOT NULL,
    percentagemretencao decimal(9,4) NULL
);

CREATE TABLE dbo.codigosbarras (
    codigo int NOT NULL,
    codbarras nvarchar(30) NOT NULL PRIMARY KEY
);

CREATE TABLE dbo.fornecedores (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(100) NULL,
    morada nvarchar(150) NULL,
    codpostal nvarchar(10) NULL,
    codpostal1 nvarchar(10) NULL,
    localidade nvarchar(60) NULL,
    telefone nvarchar(20) NULL,
    fax nvarchar(20) NULL,
    telemovel nvarchar(20) NULL,
    email nvarchar(100) NULL,
    web nvarchar(100) NULL,
    datacriacao datetime NULL,
    contribuinte varchar(15) NULL,
    ivaincluido bit NOT NULL
);

CREATE TABLE dbo.unidades (
    id int NOT NULL,
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(20) NULL
);

-- Document headers. No key on (doc, numero): after an "IN" document numbered
-- 99999 every later stock transfer is numbered 100000.
CREATE TABLE dbo.documentos (
    numero int NOT NULL,
    doc nvarchar(5) NOT NULL,
    data datetime NOT NULL,
    datahora datetime NOT NULL,
    cliente int NOT NULL,
    nome nvarchar(100) NULL,
    anulado bit NOT NULL,
    descricao nvarchar(100) NULL,
    id int NOT NULL,
    idcx int NOT NULL,
    emp int NOT NULL,
    tipo int NOT NULL
);

-- Document lines; linha keeps the order in which they were written.
CREATE TABLE dbo.vendas (
    linha int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    numero int NOT NULL,
    doc nvarchar(5) NOT NULL,
    codigo int NOT NULL,
    data datetime NOT NULL,
    datahora datetime NOT NULL,
    descricao nvarchar(60) NULL,
    qtd decimal(19,4) NOT NULL,
    armazem int NOT NULL,
    empid int NOT NULL
);
